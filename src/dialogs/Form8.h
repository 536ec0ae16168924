#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QCheckBox;
class QTextBrowser;

namespace kestrune::ui {

// The help window: the program folder's Help.rtf, read-only, and a check box
// that says whether the window comes up at start-up. Without Help.rtf the
// window stays hidden for as long as it is loaded; nothing is reported.
class Form8 final : public QWidget {
    Q_OBJECT
public:
    Form8();

    void Load();

    QTextBrowser* rtf1 = nullptr;
    QCheckBox* Check1 = nullptr;

    // The whole number a setting text stands for, as the settings of the
    // earlier releases were read: blanks around it, leading zeros and a
    // decimal part (rounded half to even) are allowed; anything else, or a
    // number outside -32768..32767, gives no number.
    static std::optional<int> wholeNumberOf(const QString& text);

    void setVisible(bool visible) override;

public slots:
    void Check1_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void applyShowAtStartup(const QString& setting);

    // Set when Help.rtf is missing: the window then never shows.
    bool keptHidden_ = false;
};

} // namespace kestrune::ui
