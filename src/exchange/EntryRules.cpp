#include "exchange/EntryRules.h"

namespace kestrune::exchange {

EntryCheck checkEntry(const store::Entry& entry) {
    if (entry.username.isEmpty()) {
        return {EntryCheck::Problem::NoUsername, -1, {}};
    }
    if (entry.password.isEmpty()) {
        return {EntryCheck::Problem::NoPassword, -1, {}};
    }
    const QString* fields[] = {&entry.username, &entry.password, &entry.location};
    for (int field = 0; field < 3; ++field) {
        if (store::FieldCheck check = store::checkEntryField(*fields[field], field == 2);
            check.problem != store::FieldProblem::None) {
            return {EntryCheck::Problem::Field, field, std::move(check)};
        }
    }
    return {};
}

QString fieldName(int field, FieldWords words) {
    switch (field) {
    case 0:
        return QStringLiteral("username");
    case 1:
        return QStringLiteral("password");
    default:
        return words == FieldWords::EntryDialog ? QStringLiteral("website")
                                                : QStringLiteral("location");
    }
}

EntryTextsCheck checkEntryTexts(const store::Entry& entry, const QString& productName) {
    using Verdict = EntryTextsCheck::Verdict;
    using Problem = EntryCheck::Problem;
    const EntryCheck check = checkEntry(entry);
    switch (check.problem) {
    case Problem::None:
        return {};
    case Problem::NoUsername:
        return {Verdict::Missing, QStringLiteral("You must enter a username")};
    case Problem::NoPassword:
        return {Verdict::Missing, QStringLiteral("You must enter a password")};
    case Problem::Field:
        break;
    }
    const QString field = fieldName(check.field, FieldWords::EntryDialog);
    switch (check.fieldCheck.problem) {
    case store::FieldProblem::None:
        break;
    case store::FieldProblem::ContainsSeparator:
        return {Verdict::NotStorable,
                QStringLiteral("The %1 cannot contain \"|||\": %2 uses it to separate "
                               "the parts of an entry in its data file.")
                    .arg(field, productName)};
    case store::FieldProblem::EndsWithBar:
        return {Verdict::NotStorable,
                QStringLiteral("The %1 cannot end with \"|\": %2 could not tell it "
                               "apart from the separator that follows it in its data file.")
                    .arg(field, productName)};
    case store::FieldProblem::Character:
        return {Verdict::NotStorable,
                QStringLiteral("%1 cannot store the character \"%2\" in the %3.  "
                               "Please remove it.")
                    .arg(productName, check.fieldCheck.character, field)};
    }
    return {};
}

QString refusalReason(const EntryCheck& check) {
    using Problem = EntryCheck::Problem;
    switch (check.problem) {
    case Problem::None:
        return {};
    case Problem::NoUsername:
        return QStringLiteral("no username");
    case Problem::NoPassword:
        return QStringLiteral("no password");
    case Problem::Field:
        break;
    }
    const QString field = fieldName(check.field, FieldWords::Import);
    switch (check.fieldCheck.problem) {
    case store::FieldProblem::None:
        return {};
    case store::FieldProblem::ContainsSeparator:
        return QStringLiteral("\"|||\" in the %1").arg(field);
    case store::FieldProblem::EndsWithBar:
        return QStringLiteral("the %1 ends with \"|\"").arg(field);
    case store::FieldProblem::Character:
        break;
    }
    if (check.fieldCheck.character == QChar(0x008D)) {
        return QStringLiteral("character 141 in the %1 cannot be stored").arg(field);
    }
    if (check.field == 1) {
        return QStringLiteral("a character in the password cannot be stored");
    }
    return QStringLiteral("the character \"%1\" in the %2 cannot be stored")
        .arg(check.fieldCheck.character, field);
}

} // namespace kestrune::exchange
