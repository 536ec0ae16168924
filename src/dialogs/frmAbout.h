#pragma once

#include <QWidget>

#include <vector>

class QLabel;

namespace kestrune::skin {
class SkinLabel;
}

namespace kestrune::ui {

// The About box: the program's name on its logo, its version, its owner and
// the owner's web site, which opens on a click.
class frmAbout final : public QWidget {
    Q_OBJECT
public:
    frmAbout();

    void Load();

    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblCompany = nullptr;
    QLabel* lblWebsite = nullptr;
    // Element 0 is a hidden template below the visible area; with the skin
    // on, every plain label gets a windowed copy here.
    std::vector<skin::SkinLabel*> SkinLabel1;

    // The controls in the order they were created, children right after
    // their parent.
    const std::vector<QWidget*>& controls() const { return controls_; }

public slots:
    void lblWebsite_Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(QWidget* parent, const char* name, const QString& text, const QFont& font);
    skin::SkinLabel* addWindowedCopy(const QLabel* label);

    std::vector<QWidget*> controls_;
};

} // namespace kestrune::ui
