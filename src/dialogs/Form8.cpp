#include "dialogs/Form8.h"

#include "dialogs/Dialog.h"
#include "dialogs/RtfReader.h"
#include "platform/Platform.h"
#include "store/FileHelpers.h"
#include "widgets/Forms.h"
#include "widgets/OnTop.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTextBrowser>

#include <cmath>

namespace kestrune::ui {

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kShowHelp = QStringLiteral("showHelp");

QString helpFilePath() {
    return platform::services().folder->path() + QDir::separator() + QStringLiteral("Help.rtf");
}

} // namespace

// A dialog owned by the main window: a fixed dialog frame, and no button of
// its own in the task bar (a tool window would have a thin tool frame).
Form8::Form8() : QWidget(forms().mainWindow(), kDialogFlags) {
    makeDialog(this, "Form8", QStringLiteral("Readme/Help"));
    setFixedSize(twipsSize(10290, 7920));

    rtf1 = new QTextBrowser(this);
    rtf1->setObjectName(QStringLiteral("rtf1"));
    rtf1->setReadOnly(true);
    // A link in the document must not replace the document.
    rtf1->setOpenLinks(false);
    placeInTwips(rtf1, 0, 0, 10275, 7515);

    Check1 = new QCheckBox(QStringLiteral("Show at Startup"), this);
    Check1->setObjectName(QStringLiteral("Check1"));
    placeInTwips(Check1, 60, 7620, 1995, 255);

    // Only the user's click stores the choice; setting the box during the
    // load does not.
    connect(Check1, &QCheckBox::clicked, this, &Form8::Check1_Click);
}

void Form8::Load() {
    Forms::centreOnScreen(this);
    dressInSkin(this);

    const QString path = helpFilePath();
    if (!store::FileExists(path)) {
        keptHidden_ = true;
        hide();
        return;
    }

    // An unreadable file leaves the box empty; the window still shows.
    if (const store::ReadResult read = store::readWholeFile(path); read.ok) {
        readRtf(read.bytes, *rtf1->document());
        rtf1->moveCursor(QTextCursor::Start); // the reader starts at the top
    }

    SetOnTop(this, true);

    applyShowAtStartup(platform::services().settings->value(ProgramIdentity().ProductName, kSection,
                                                            kShowHelp, QStringLiteral("1")));
}

// 0 and 1 are the two states a click stores. 2 stands for a greyed box and
// shows as partially checked; any other number, or a text that is no number,
// leaves the box unchecked.
void Form8::applyShowAtStartup(const QString& setting) {
    const std::optional<int> number = wholeNumberOf(setting);
    if (!number) {
        return;
    }
    switch (*number) {
    case 0:
        Check1->setCheckState(Qt::Unchecked);
        break;
    case 1:
        Check1->setCheckState(Qt::Checked);
        break;
    case 2:
        Check1->setTristate(true);
        Check1->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
}

std::optional<int> Form8::wholeNumberOf(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$)"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch()) {
        return std::nullopt;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    // Halves go to the even neighbour: 0.5 is 0, 1.5 and 2.5 are 2.
    const double rounded =
        value - std::floor(value) == 0.5 ? 2.0 * std::round(value / 2.0) : std::round(value);
    if (rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

void Form8::Check1_Click() {
    // From partially checked a click goes to checked; from then on the box
    // has two states only.
    Check1->setTristate(false);
    const bool checked = Check1->checkState() == Qt::Checked;
    platform::services().settings->setValue(ProgramIdentity().ProductName, kSection, kShowHelp,
                                            checked ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form8::setVisible(bool visible) {
    QWidget::setVisible(visible && !keptHidden_);
}

void Form8::closeEvent(QCloseEvent* event) {
    event->accept();
    forms().forget(this);
}

} // namespace kestrune::ui
