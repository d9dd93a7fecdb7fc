// The index of a loaded image: the offset of the first record of every key,
// so that finding a record does not depend on the number of records. It is
// built by one walk over the image when a key is first looked up, kept up to
// date when a record is appended, and dropped when the image is replaced or
// records are removed from it.
#include "typed_private.h"

#include <functional>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

struct DbTIndex {
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>{}(s);
        }
    };
    // Key with its NUL -> offset of its first record in image order.
    std::unordered_map<std::string, int, Hash, std::equal_to<>> first;
    // Offset of the damaged record at which a walk over the image ends, -1
    // when the walk reaches the end of the image.
    int cutAt = -1;
};

namespace {

// Every record of the image, in order, walked without touching the handle's
// walk state.
DbTIndex* BuildIndex(const DbTHandle* h) {
    auto* const index = new DbTIndex;
    std::vector<unsigned char> body(dbt::IsPlain(h) ? dbt::kScratchSize : 0);
    std::string key;
    const auto* const image = reinterpret_cast<const unsigned char*>(h->pImage);
    index->first.reserve(static_cast<std::size_t>(h->ImageSize / 16) + 1);
    int offset = dbt::FirstRecord(h);
    while (offset < h->ImageSize) {
        dbt::Head head{};
        if (!dbt::ReadHead(h, offset, body.data(), head)) {
            index->cutAt = offset;
            break;
        }
        key.resize(head.KeyLen);
        if (dbt::IsPlain(h))
            key.assign(reinterpret_cast<const char*>(body.data() + 2), head.KeyLen);
        else
            dbt::DecodeRun(image + offset + 4, reinterpret_cast<unsigned char*>(key.data()),
                           head.KeyLen);
        index->first.emplace(key, offset);
        offset += 2 + head.RecLen;
    }
    return index;
}

} // namespace

namespace dbt {

int IndexLookup(DbTHandle* h, std::string_view key, int* cutAt) {
    *cutAt = -1;
    if (!h->pImage)
        return -1;
    if (!h->pIndex) {
        try {
            h->pIndex = BuildIndex(h);
        } catch (const std::bad_alloc&) {
            // Without memory for the index the records are walked.
            DbTRecord rec{};
            std::vector<char> buf(kKeyBufSize);
            for (DbTRecord* r = WalkDbTRecords(h, &rec, 0); r; r = WalkDbTRecords(h, &rec, 1)) {
                const int start = h->NextRec - 2 - rec.RecLen;
                if (rec.KeyLen != key.size())
                    continue;
                const char* k = rec.pKey;
                if (!IsPlain(h)) {
                    DbmTGetData(h, buf.data(), rec.KeyLen);
                    k = buf.data();
                }
                if (std::string_view(k, rec.KeyLen) == key)
                    return start;
            }
            return -1;
        }
    }
    const auto it = h->pIndex->first.find(key);
    if (it != h->pIndex->first.end())
        return it->second;
    *cutAt = h->pIndex->cutAt;
    return -1;
}

void IndexAdd(DbTHandle* h, std::string_view key, int offset) {
    if (!h->pIndex)
        return;
    try {
        h->pIndex->first.emplace(key, offset);
    } catch (const std::bad_alloc&) {
        IndexDrop(h);
    }
}

void IndexDrop(DbTHandle* h) {
    delete h->pIndex;
    h->pIndex = nullptr;
}

void IndexCut(DbTHandle* h) {
    if (h->pIndex)
        h->pIndex->cutAt = -1;
}

} // namespace dbt
