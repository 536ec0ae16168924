#pragma once

#include <QString>

class QWidget;

namespace kestrune::platform {

// The dialogs in which the user picks a file to read or names one to write,
// and the folder they start in. Tests replace them with scripted answers.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file picked to open, or an empty text when the user cancelled.
    // `filter` as Qt's file dialogs take it ("CSV files (*.csv);;All files (*)").
    virtual QString openFileName(QWidget* owner, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    // The file named to save, starting from the path `suggested`; a name typed
    // without a suffix gets `suffix`. Replacing an existing file is confirmed
    // in the dialog. An empty text when the user cancelled.
    virtual QString saveFileName(QWidget* owner, const QString& title, const QString& suggested,
                                 const QString& filter, const QString& suffix) = 0;
    // The user's documents folder (the home folder when there is none).
    virtual QString documentsFolder() const = 0;
};

class QtFileDialogs final : public FileDialogs {
public:
    QString openFileName(QWidget* owner, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* owner, const QString& title, const QString& suggested,
                         const QString& filter, const QString& suffix) override;
    QString documentsFolder() const override;
};

} // namespace kestrune::platform
