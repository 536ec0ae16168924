#pragma once

#include <QString>

namespace kestrune::ui {

// The version information built into the program file. Its values come from
// the build (VersionInfo.h); tests may replace them before LoadIdentity runs.
struct VersionInformation {
    QString ProductName;
    QString CompanyName;
    QString Comments;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
    bool SkinEnabled = false;   // build-time switch
    bool UseSplashIcon = false; // build-time switch
};

// The version information in use.
VersionInformation& versionInformation();

// The build's own version information.
VersionInformation builtVersionInformation();

// What the program is called, who owns it, where the owner's web site is, and
// which presentation features are switched on. LoadIdentity is its only writer.
struct ProgramIdentityRecord {
    QString ProductName;
    QString CompanyName;
    QString Comments;
    bool SkinEnabled = false;
    bool UseSplashIcon = false;
};

ProgramIdentityRecord& ProgramIdentity();

// Fills ProgramIdentity from the version information, replacing what was there.
// Texts are copied as they stand.
void LoadIdentity();

// "1.0" for version 1.0.0: major and minor in decimal, the revision left out.
QString VersionText(const VersionInformation& info);

} // namespace kestrune::ui
