#include "store/MergeRules.h"

#include <QHash>

#include <algorithm>
#include <unordered_set>

namespace kestrune::store {

namespace {

struct EntryHash {
    std::size_t operator()(const Entry* e) const {
        return std::size_t(qHashMulti(0, e->username, e->password, e->location));
    }
};

struct EntryEqual {
    bool operator()(const Entry* a, const Entry* b) const { return *a == *b; }
};

// The first entry equal to `entry`, or the end.
std::vector<Entry>::iterator firstEqual(std::vector<Entry>& content, const Entry& entry) {
    return std::find(content.begin(), content.end(), entry);
}

} // namespace

AppliedChange applyChange(std::vector<Entry> content, const EntryChange& change) {
    AppliedChange applied;
    switch (change.kind) {
    case EntryChange::Kind::None:
        break;
    case EntryChange::Kind::Add:
        content.push_back(change.after);
        break;
    case EntryChange::Kind::Edit:
        if (const auto at = firstEqual(content, change.before); at != content.end()) {
            *at = change.after;
        } else {
            content.push_back(change.after);
        }
        break;
    case EntryChange::Kind::Delete:
        if (const auto at = firstEqual(content, change.before); at != content.end()) {
            content.erase(at);
        }
        break;
    case EntryChange::Kind::Append: {
        // Compared with the content and the entries appended before them;
        // pointers into `change` stay good, those into `content` are taken
        // before it grows.
        std::unordered_set<const Entry*, EntryHash, EntryEqual> seen;
        seen.reserve(content.size() + change.added.size());
        for (const Entry& entry : content) {
            seen.insert(&entry);
        }
        std::vector<Entry> fresh;
        for (const Entry& entry : change.added) {
            if (seen.insert(&entry).second) {
                fresh.push_back(entry);
            } else {
                ++applied.alreadyThere;
            }
        }
        content.insert(content.end(), std::make_move_iterator(fresh.begin()),
                       std::make_move_iterator(fresh.end()));
        break;
    }
    }
    applied.entries = std::move(content);
    return applied;
}

} // namespace kestrune::store
