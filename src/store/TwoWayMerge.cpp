#include "store/TwoWayMerge.h"

#include <QHash>

#include <unordered_map>

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

} // namespace

TwoWayMerge mergeTwoWay(const EntryRows& list, std::vector<Entry>&& other) {
    TwoWayMerge merge;
    // How often each entry of the list is still there to match one of the other.
    std::unordered_map<const Entry*, qsizetype, EntryHash, EntryEqual> unmatched;
    unmatched.reserve(std::size_t(list.entryCount()));
    for (qsizetype i = 0; i < list.entryCount(); ++i) {
        ++unmatched[&list.entryAt(i)];
    }
    merge.additions.reserve(other.size());
    for (Entry& entry : other) {
        const auto found = unmatched.find(&entry);
        if (found != unmatched.end() && found->second > 0) {
            --found->second;
            ++merge.alreadyThere;
            continue;
        }
        merge.additions.push_back(std::move(entry));
    }
    other.clear();
    return merge;
}

} // namespace kestrune::store
