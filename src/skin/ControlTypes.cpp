#include "skin/ControlTypes.h"

#include "skin/SkinLabel.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QVariant>

namespace kestrune::skin {

namespace {

QString classNameWithoutNamespace(const QWidget* widget) {
    const QString name = QString::fromLatin1(widget->metaObject()->className());
    const qsizetype separator = name.lastIndexOf(QLatin1String("::"));
    return separator < 0 ? name : name.mid(separator + 2);
}

} // namespace

QString ControlTypeName(const QWidget* widget) {
    if (widget == nullptr) {
        return {};
    }
    if (const QVariant named = widget->property(kControlTypeProperty); named.isValid()) {
        return named.toString();
    }
    // Subclasses before their bases: a SkinLabel is a QLabel, a check box is
    // an abstract button.
    if (qobject_cast<const SkinLabel*>(widget) != nullptr) {
        return QStringLiteral("SkinLabel");
    }
    if (qobject_cast<const QLabel*>(widget) != nullptr) {
        return QStringLiteral("Label");
    }
    if (qobject_cast<const QCheckBox*>(widget) != nullptr) {
        return QStringLiteral("CheckBox");
    }
    if (qobject_cast<const QRadioButton*>(widget) != nullptr) {
        return QStringLiteral("OptionButton");
    }
    if (qobject_cast<const QPushButton*>(widget) != nullptr ||
        qobject_cast<const QToolButton*>(widget) != nullptr) {
        return QStringLiteral("CommandButton");
    }
    if (qobject_cast<const QLineEdit*>(widget) != nullptr) {
        return QStringLiteral("TextBox");
    }
    if (qobject_cast<const QComboBox*>(widget) != nullptr) {
        return QStringLiteral("ComboBox");
    }
    if (qobject_cast<const QTreeView*>(widget) != nullptr ||
        qobject_cast<const QTableView*>(widget) != nullptr) {
        return QStringLiteral("ListView");
    }
    if (qobject_cast<const QListView*>(widget) != nullptr) {
        return QStringLiteral("ListBox");
    }
    if (qobject_cast<const QTextEdit*>(widget) != nullptr) {
        return QStringLiteral("RichTextBox");
    }
    if (qobject_cast<const QStatusBar*>(widget) != nullptr) {
        return QStringLiteral("StatusBar");
    }
    return classNameWithoutNamespace(widget);
}

} // namespace kestrune::skin
