#include "widgets/ProgramIdentity.h"

#include "VersionInfo.h"

namespace kestrune::ui {

VersionInformation builtVersionInformation() {
    return VersionInformation{QStringLiteral(KESTRUNE_PRODUCT_NAME),
                              QStringLiteral(KESTRUNE_COMPANY_NAME),
                              QStringLiteral(KESTRUNE_COMMENTS),
                              KESTRUNE_VERSION_MAJOR,
                              KESTRUNE_VERSION_MINOR,
                              KESTRUNE_VERSION_REVISION,
                              KESTRUNE_SKIN_ENABLED,
                              KESTRUNE_USE_SPLASH_ICON};
}

VersionInformation& versionInformation() {
    static VersionInformation info = builtVersionInformation();
    return info;
}

ProgramIdentityRecord& ProgramIdentity() {
    static ProgramIdentityRecord record;
    return record;
}

void LoadIdentity() {
    const VersionInformation& info = versionInformation();
    ProgramIdentityRecord& id = ProgramIdentity();
    id.ProductName = info.ProductName;
    id.CompanyName = info.CompanyName;
    id.Comments = info.Comments;
    id.SkinEnabled = info.SkinEnabled;
    id.UseSplashIcon = info.UseSplashIcon;
}

QString VersionText(const VersionInformation& info) {
    return QString::number(info.Major) + QLatin1Char('.') + QString::number(info.Minor);
}

} // namespace kestrune::ui
