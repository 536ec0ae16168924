#include "dialogs/frmAbout.h"

#include "dialogs/Dialog.h"
#include "dialogs/frmWebsite.h"
#include "skin/ControlTypes.h"
#include "skin/SkinLabel.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace kestrune::ui {

namespace {

QFont verdana(double points) {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

// The banner at the top: the brand gradient with the emblem at its right end.
QPixmap logoPicture(const QSize& size) {
    QPixmap picture(size);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0.0, QColor(0x24, 0x3a, 0x5e));
    gradient.setColorAt(1.0, QColor(0x1a, 0x8c, 0x84));
    painter.fillRect(picture.rect(), gradient);
    const int side = size.height() * 4 / 5;
    const QPixmap emblem = QPixmap(QStringLiteral(":/images/kestrune.png"))
                               .scaledToHeight(side, Qt::SmoothTransformation);
    const int margin = (size.height() - emblem.height()) / 2;
    painter.drawPixmap(size.width() - emblem.width() - 2 * margin, margin, emblem);
    return picture;
}

} // namespace

frmAbout::frmAbout() : QWidget(nullptr, kDialogFlags) {
    makeDialog(this, "frmAbout"); // its caption names the program, at its load
    setFixedSize(twipsSize(7455, 2535));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setProperty(skin::kControlTypeProperty, QStringLiteral("PictureBox"));
    placeInTwips(Picture1, 0, 0, 7515, 1035);
    Picture1->setPixmap(logoPicture(Picture1->size()));
    controls_.push_back(Picture1);

    Label1 = addLabel(Picture1, "Label1", QStringLiteral("Your Program Name"), verdana(14.25));
    placeInTwips(Label1, 120, 300, 5655, 435);
    QPalette onLogo = Label1->palette();
    onLogo.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(onLogo);

    const QFont captions = verdana(12);
    Label2 = addLabel(this, "Label2", QStringLiteral("Version:"), captions);
    placeInTwips(Label2, 180, 1260, 2295, 315);
    Label3 = addLabel(this, "Label3", QStringLiteral("Owned By:"), captions);
    placeInTwips(Label3, 180, 1680, 2295, 315);
    Label4 = addLabel(this, "Label4", QStringLiteral("Website:"), captions);
    placeInTwips(Label4, 180, 2100, 2295, 315);
    lblVersion = addLabel(this, "lblVersion", QStringLiteral("Version:"), captions);
    placeInTwips(lblVersion, 2580, 1260, 4635, 315);
    lblCompany = addLabel(this, "lblCompany", QStringLiteral("Owned By:"), captions);
    placeInTwips(lblCompany, 2580, 1680, 4635, 315);
    lblWebsite = addLabel(this, "lblWebsite", QStringLiteral("Website:"), captions);
    placeInTwips(lblWebsite, 2580, 2100, 4635, 315);
    QPalette link = lblWebsite->palette();
    link.setColor(QPalette::WindowText, Qt::blue);
    lblWebsite->setPalette(link);
    lblWebsite->setCursor(Qt::PointingHandCursor);
    lblWebsite->installEventFilter(this);

    auto* templateLabel = makeLabel(this, "SkinLabel1", QStringLiteral("Windowed Label"),
                                    Qt::AlignLeft | Qt::AlignVCenter);
    placeInTwips(templateLabel, 120, 2760, 1335, 255);
    templateLabel->hide();
    SkinLabel1.push_back(templateLabel);
    controls_.push_back(templateLabel);
}

QLabel* frmAbout::addLabel(QWidget* parent, const char* name, const QString& text,
                           const QFont& font) {
    // Identity texts are shown as they are, never as markup.
    auto* label = makeLabel<QLabel>(parent, name, text);
    label->setFont(font);
    controls_.push_back(label);
    return label;
}

void frmAbout::Load() {
    Forms::centreOnScreen(this);
    const VersionInformation& info = versionInformation();
    setWindowTitle(QStringLiteral("About ") + ProgramIdentity().ProductName);
    Label1->setText(info.ProductName);
    lblCompany->setText(info.CompanyName);
    lblVersion->setText(VersionText(info));
    lblWebsite->setText(info.Comments);

    if (ProgramIdentity().SkinEnabled) {
        // Copies are made of the labels as they stand now; the copies
        // themselves are windowed labels and are not copied again.
        std::vector<const QLabel*> labels;
        for (const QWidget* control : controls_) {
            if (skin::ControlTypeName(control) == QLatin1String("Label")) {
                labels.push_back(static_cast<const QLabel*>(control));
            }
        }
        for (const QLabel* label : labels) {
            addWindowedCopy(label);
        }
    }
    dressInSkin(this);
}

skin::SkinLabel* frmAbout::addWindowedCopy(const QLabel* label) {
    const QByteArray name = QStringLiteral("SkinLabel1_%1").arg(SkinLabel1.size()).toLatin1();
    auto* copy =
        makeLabel(label->parentWidget(), name.constData(), label->text(), label->alignment());
    copy->setGeometry(label->geometry());
    copy->setFont(label->font());
    // Its colours too, so that the name stays readable on the logo and the
    // web site stays blue like a link.
    copy->setPalette(label->palette());
    copy->setVisible(!label->isHidden());
    copy->raise();
    if (label == lblWebsite) {
        // The copy covers the link, so it answers the link's clicks.
        copy->setCursor(lblWebsite->cursor());
        copy->installEventFilter(this);
    }
    SkinLabel1.push_back(copy);
    controls_.push_back(copy);
    return copy;
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* control = qobject_cast<QWidget*>(watched);
        if (control != nullptr && mouse->button() == Qt::LeftButton &&
            control->rect().contains(mouse->position().toPoint())) {
            lblWebsite_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmAbout::lblWebsite_Click() {
    websiteState().WebsiteRequest = QStringLiteral("Website");
    Forms::showWindow(forms().load<frmWebsite>());
}

void frmAbout::closeEvent(QCloseEvent* event) {
    event->accept();
    forms().forget(this);
}

} // namespace kestrune::ui
