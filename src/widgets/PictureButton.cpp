#include "widgets/PictureButton.h"

#include <QIcon>
#include <QToolButton>

namespace kestrune::ui {

QToolButton* makePictureButton(QWidget* parent, const char* name, const QString& caption,
                               const char* picture) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(QIcon(QStringLiteral(":/images/%1.png").arg(QLatin1String(picture))));
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace kestrune::ui
