#include "Cases.h"

#include "Statistics.h"
#include "Stopwatch.h"
#include "VaultCache.h"
#include "WindowDriver.h"

#include "mainwindow/EntryList.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/Form1.h"

#include <QLocale>

#include <string>

namespace kestrune::bench {

// A header click on a column, in the C locale or with en_US collation, until
// the list has been painted again.
void sortCase(benchmark::State& state, std::size_t count, bool icu, int column, bool descending) {
    const Vault& vault = vaultOf(count);
    ui::Form1* form = residentWindowOrSkip(state, vault);
    if (form == nullptr) {
        return;
    }
    ui::EntryListModel& model = form->lstPass->rows();
    model.setCollatorLocale(icu ? QLocale(QLocale::English, QLocale::UnitedStates) : QLocale::c());
    const std::string name = std::string("sort ") + (icu ? "en_US " : "C ") + kColumnNames[column] +
                             (descending ? " desc" : " asc");
    Samples& sort = samplesOf(name, count);
    for (auto _ : state) {
        // A click flips the shared direction: start from the other one.
        model.setSorted(false);
        model.setSortOrder(descending ? 0 : 1);
        PaintSpy spy(form->lstPass->viewport());
        const auto start = Clock::now();
        form->lstPass_ColumnClick(column + 1);
        if (!waitForPaint(spy)) {
            state.SkipWithError("the list was not painted");
            break;
        }
        const double ms = msSince(start);
        state.SetIterationTime(ms / 1000);
        sort.program.push_back(ms);
        if (model.sortOrder() != (descending ? 1 : 0) || model.sortKey() != column) {
            state.SkipWithError("the click did not sort as expected");
            break;
        }
    }
    model.setCollatorLocale(QLocale());
}

} // namespace kestrune::bench
