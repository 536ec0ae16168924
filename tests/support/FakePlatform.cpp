#include "support/FakePlatform.h"

namespace kestrune::test {

platform::Answer FakeMessageBoxes::show(QWidget* /*owner*/, const QString& text,
                                        const QString& title, platform::Buttons buttons,
                                        platform::Icon icon) {
    shown.push_back({text, title, buttons, icon});
    if (!answers.empty()) {
        const platform::Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == platform::Buttons::RetryCancel ? platform::Answer::Retry
                                                     : platform::Answer::Ok;
}

QString FakeSettings::value(const QString& application, const QString& section, const QString& name,
                            const QString& defaultValue) const {
    return values.value(application + '/' + section + '/' + name, defaultValue);
}

void FakeSettings::setValue(const QString& application, const QString& section, const QString& name,
                            const QString& value) {
    values.insert(application + '/' + section + '/' + name, value);
}

FakePlatform::FakePlatform(const QString& programFolder) {
    folder.folder = programFolder;
    platform::install({&messages, &exit, &onTop, &folder, &settings, &clipboard, &opener, &locks,
                       nullptr, &files});
}

FakePlatform::~FakePlatform() {
    platform::installReal();
}

} // namespace kestrune::test
