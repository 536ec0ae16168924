#pragma once

#include "store/CredentialStore.h"

#include <QStringList>

#include <vector>

namespace kestrune::test {

// A plain list of entries standing in for the main list.
class VectorRows final : public store::EntryRows {
public:
    std::vector<store::Entry> rows;
    qsizetype entryCount() const override { return qsizetype(rows.size()); }
    const store::Entry& entryAt(qsizetype index) const override { return rows[std::size_t(index)]; }
    void appendEntries(std::vector<store::Entry>&& entries) override {
        rows.insert(rows.end(), std::make_move_iterator(entries.begin()),
                    std::make_move_iterator(entries.end()));
    }
};

// Records what the store asks of the main window, in order.
class FakeStoreHost final : public store::StoreHost {
public:
    VectorRows list;
    QStringList statusLines;
    QStringList failures;
    QStringList calls; // "showPasswordDialog", "afterFormLoad", ...
    QString name = QStringLiteral("Kestrune");

    store::EntryRows& entryRows() override { return list; }
    void StatusMessage(const QString& text) override { statusLines.append(text); }
    void afterFormLoad() override { calls.append(QStringLiteral("afterFormLoad")); }
    void showPasswordDialog() override { calls.append(QStringLiteral("showPasswordDialog")); }
    void unloadPasswordDialog() override { calls.append(QStringLiteral("unloadPasswordDialog")); }
    void letPendingEventsRun() override { calls.append(QStringLiteral("letPendingEventsRun")); }
    void reportFailure(const QString& text) override { failures.append(text); }
    QString productName() const override { return name; }
};

} // namespace kestrune::test
