#include "dialogs/frmAbout.h"
#include "dialogs/frmWebsite.h"
#include "skin/SkinLabel.h"
#include "support/WindowTestBase.h"
#include "widgets/Forms.h"
#include "widgets/ProgramIdentity.h"

#include <QLabel>
#include <QTest>

using namespace kestrune;
using kestrune::ui::forms;
using kestrune::ui::frmAbout;
using kestrune::ui::frmWebsite;

class tst_frmAbout : public test::WindowTestBase {
    Q_OBJECT
private slots:
    void showsTheIdentityOfTheBuild() {
        frmAbout* about = forms().show<frmAbout>();
        QCOMPARE(about->windowTitle(), QStringLiteral("About Kestrune"));
        QCOMPARE(about->Label1->text(), QStringLiteral("Kestrune"));
        QCOMPARE(about->lblVersion->text(), QStringLiteral("1.0"));
        QCOMPARE(about->lblCompany->text(), QStringLiteral("Kestrune Project"));
        QCOMPARE(about->lblWebsite->text(), QStringLiteral("www.kestrune.example"));
        QCOMPARE(about->Label1->parentWidget(), about->Picture1);
        QVERIFY(!about->Picture1->pixmap().isNull());
    }

    void versionShowsMinorInDecimal() {
        ui::versionInformation().Major = 1;
        ui::versionInformation().Minor = 10;
        ui::versionInformation().Revision = 7;
        QCOMPARE(forms().load<frmAbout>()->lblVersion->text(), QStringLiteral("1.10"));
    }

    void emptyProductNameLeavesTheCaptionEndingInABlank() {
        ui::versionInformation().ProductName = QString();
        ui::LoadIdentity();
        frmAbout* about = forms().load<frmAbout>();
        QCOMPARE(about->windowTitle(), QStringLiteral("About "));
        QVERIFY(about->Label1->text().isEmpty());
    }

    void identityTextsAreNeverMarkup() {
        ui::versionInformation().CompanyName = QStringLiteral("<b>Bold</b> & Co");
        ui::LoadIdentity();
        frmAbout* about = forms().load<frmAbout>();
        QCOMPARE(about->lblCompany->text(), QStringLiteral("<b>Bold</b> & Co"));
        for (QWidget* control : about->controls()) {
            if (auto* label = qobject_cast<QLabel*>(control);
                label != nullptr && label != about->Picture1) {
                QCOMPARE(label->textFormat(), Qt::PlainText);
            }
        }
    }

    void withoutSkinOnlyTheTemplateExists() {
        frmAbout* about = forms().show<frmAbout>();
        QCOMPARE(about->SkinLabel1.size(), std::size_t{1});
        QVERIFY(about->SkinLabel1[0]->isHidden());
        QCOMPARE(about->SkinLabel1[0]->text(), QStringLiteral("Windowed Label"));
        QVERIFY(about->SkinLabel1[0]->y() >= about->height());
    }

    void withSkinEveryPlainLabelGetsAWindowedCopyInControlOrder() {
        enableSkin();
        // Loaded outside the window list so that a label can be hidden first.
        frmAbout about;
        about.Label3->hide();
        about.Load();
        const std::vector<QLabel*> labels = {about.Label1,    about.Label2,     about.Label3,
                                             about.Label4,    about.lblVersion, about.lblCompany,
                                             about.lblWebsite};
        QCOMPARE(about.SkinLabel1.size(), labels.size() + 1);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const QLabel* label = labels[i];
            const skin::SkinLabel* copy = about.SkinLabel1[i + 1];
            QCOMPARE(copy->parentWidget(), label->parentWidget());
            QCOMPARE(copy->geometry(), label->geometry());
            QCOMPARE(copy->font(), label->font());
            QCOMPARE(copy->text(), label->text());
            QCOMPARE(copy->isHidden(), label->isHidden());
            QCOMPARE(copy->textFormat(), Qt::PlainText);
            QCOMPARE(copy->palette().color(QPalette::WindowText),
                     label->palette().color(QPalette::WindowText));
            const QObjectList& siblings = label->parentWidget()->children();
            QVERIFY(siblings.indexOf(copy) > siblings.indexOf(label));
        }
        QCOMPARE(about.SkinLabel1[1]->text(), QStringLiteral("Kestrune"));
        QVERIFY(about.SkinLabel1[3]->isHidden());
        QVERIFY(!about.SkinLabel1[4]->isHidden());
    }

    void aClickOnTheWebsiteOpensItOnceAndShowsTheWebWindow() {
        frmAbout* about = forms().show<frmAbout>();
        QTest::mouseClick(about->lblWebsite, Qt::LeftButton);
        QCOMPARE(fake().opener.opened, QStringList{QStringLiteral("http://www.kestrune.example")});
        QVERIFY(forms().isLoaded<frmWebsite>());
        QVERIFY(forms().find<frmWebsite>()->isVisible());
        QVERIFY(ui::websiteState().WebsiteRequest.isEmpty());
        // Other labels do not react.
        QTest::mouseClick(about->lblCompany, Qt::LeftButton);
        QCOMPARE(fake().opener.opened.size(), 1);
    }

    void withSkinTheWindowedCopyOfTheWebsiteStillOpensIt() {
        enableSkin();
        frmAbout* about = forms().show<frmAbout>();
        QTest::mouseClick(about->SkinLabel1.back(), Qt::LeftButton);
        QCOMPARE(fake().opener.opened, QStringList{QStringLiteral("http://www.kestrune.example")});
    }

private:
    static void enableSkin() {
        ui::versionInformation().SkinEnabled = true;
        ui::LoadIdentity();
    }
};

QTEST_MAIN(tst_frmAbout)
#include "tst_frmAbout.moc"
