// The catalogue's cache of decoded messages: the texts of numbered messages
// fetched from a store, kept per store handle while its image stays the
// same, so that a repeated fetch neither looks the key up in the image nor
// decodes the record again.
//
// A cache is valid while its handle holds the same image: the same area,
// size and format, and the same change stamp (the store gives the image a
// new one, unique in the run, whenever it loads or changes it).
#include "MemMgr.h"
#include "nls_private.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

struct Entry {
    std::uint64_t key = 0;
    bool used = false;
    bool found = false; // the store holds the message
    std::string text;   // up to the record's first NUL
};

// The messages of one store: an open-addressing table of a power-of-two
// size, at most half full.
class Messages {
public:
    void Clear() {
        slots_.clear();
        count_ = 0;
    }
    Entry* Find(std::uint64_t key) {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = Home(key);; i = (i + 1) & (slots_.size() - 1)) {
            Entry& e = slots_[i];
            if (!e.used)
                return nullptr;
            if (e.key == key)
                return &e;
        }
    }
    Entry& Insert(Entry e) {
        if (2 * (count_ + 1) > slots_.size())
            Grow();
        ++count_;
        return Place(std::move(e));
    }

private:
    std::size_t Home(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    Entry& Place(Entry e) {
        std::size_t i = Home(e.key);
        while (slots_[i].used)
            i = (i + 1) & (slots_.size() - 1);
        slots_[i] = std::move(e);
        slots_[i].used = true;
        return slots_[i];
    }
    void Grow() {
        std::vector<Entry> old(slots_.empty() ? 64 : 2 * slots_.size());
        old.swap(slots_);
        shift_ = 64;
        for (std::size_t n = slots_.size(); n > 1; n /= 2)
            --shift_;
        for (Entry& e : old)
            if (e.used)
                Place(std::move(e));
    }

    std::vector<Entry> slots_;
    std::size_t count_ = 0;
    int shift_ = 64;
};

struct StoreCache {
    const DbTHandle* handle = nullptr;
    const char* image = nullptr;
    int imageSize = 0;
    int dbType = 0;
    unsigned long stamp = 0;
    Messages messages;
};

// The caches of the stores fetched from recently (programs use a few).
constexpr std::size_t kStores = 8;
std::vector<StoreCache> caches;
std::size_t nextVictim = 0;
StoreCache* last = nullptr;

std::uint64_t Key(int set, int number) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(set)) << 32) |
           static_cast<std::uint32_t>(number);
}

bool Matches(const StoreCache& c, const DbTHandle* h) {
    return c.image == h->pImage && c.imageSize == h->ImageSize && c.dbType == h->DbType &&
           c.stamp == h->ChangeStamp;
}

void Restart(StoreCache& c, DbTHandle* h) {
    c.handle = h;
    c.image = h->pImage;
    c.imageSize = h->ImageSize;
    c.dbType = h->DbType;
    c.stamp = h->ChangeStamp;
    c.messages.Clear();
}

// The cache of the handle, started afresh when its image changed.
StoreCache& CacheOf(DbTHandle* h) {
    StoreCache* c = last && last->handle == h ? last : nullptr;
    if (!c) {
        if (caches.empty())
            caches.reserve(kStores);
        for (StoreCache& candidate : caches)
            if (candidate.handle == h) {
                c = &candidate;
                break;
            }
    }
    if (!c) {
        if (caches.size() < kStores) {
            c = &caches.emplace_back();
        } else {
            c = &caches[nextVictim];
            nextVictim = (nextVictim + 1) % kStores;
        }
        Restart(*c, h);
    } else if (!Matches(*c, h)) {
        Restart(*c, h);
    }
    last = c;
    return *c;
}

// Reads the record from the store.
Entry Load(DbTHandle* h, int set, int number) {
    char key[nls::kKeySize];
    nls::FormatKey(key, set, number);
    char* data = nls::Scratch;
    const int size = DbmTGetRecordV(h, key, &data, NLS_FETCH_SIZE);
    Entry e;
    e.key = Key(set, number);
    if (size > 0) {
        e.found = true;
        const auto n = static_cast<std::size_t>(size);
        const void* const nul = std::memchr(data, '\0', n);
        e.text.assign(data,
                      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : n);
    }
    if (data != nls::Scratch)
        PutMem(data);
    return e;
}

} // namespace

namespace nls {

Cached CachedMessage(DbTHandle* store, int set, int number, const char** text,
                     std::size_t* length) {
    if (!(store->Mode & DBT_KEEPIMAGE))
        DbTUpDate(store);
    try {
        Entry* e = CacheOf(store).messages.Find(Key(set, number));
        if (!e) {
            // A missing message is not kept: the store is asked again.
            Entry loaded = Load(store, set, number);
            if (!loaded.found)
                return Cached::Missing;
            // The load may have found a newer file: the cache starts afresh.
            e = &CacheOf(store).messages.Insert(std::move(loaded));
        }
        *text = e->text.c_str();
        *length = e->text.size();
        return Cached::Found;
    } catch (const std::bad_alloc&) {
        caches.clear();
        last = nullptr;
        return Cached::Unavailable;
    }
}

} // namespace nls
