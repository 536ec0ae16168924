#include "ui/main/EntryFind.h"

#include "ui/main/EntryListModel.h"

#include <QStringMatcher>

namespace kestrune::ui {

FindRequest& findRequest() {
    static FindRequest request;
    return request;
}

qsizetype FindNextRow(const EntryListModel& rows, qsizetype after, const FindRequest& request) {
    const qsizetype count = rows.count();
    if (request.text.isEmpty() || count == 0) {
        return 0;
    }
    if (after < 0 || after > count) {
        after = 0;
    }
    // One matcher for the whole scan: the text's case folding and skip table
    // are made once, not once per row.
    const QStringMatcher matcher(request.text,
                                 request.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    const auto matches = [&](qsizetype index) {
        const store::Entry& entry = rows.entryAt(index);
        return matcher.indexIn(entry.username) >= 0 || matcher.indexIn(entry.location) >= 0;
    };
    // 0-based: the rows after `after` first, then from the top to `after` itself.
    for (qsizetype index = after; index < count; ++index) {
        if (matches(index)) {
            return index + 1;
        }
    }
    for (qsizetype index = 0; index < after; ++index) {
        if (matches(index)) {
            return index + 1;
        }
    }
    return 0;
}

} // namespace kestrune::ui
