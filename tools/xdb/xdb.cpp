// xdb: creates, reads, changes, imports and exports the record stores of the
// support library (".xdb" files, typed or plain), addressed by path or by name
// under a tool directory.
#include "Dbm.h"
#include "MemMgr.h"
#include "source.h"
#include "utils.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;    // a file that cannot be read or written, a refused record
constexpr int kUsage = 2;     // a wrong command line
constexpr int kNoStore = 3;   // the store does not exist
constexpr int kNoKey = 4;     // the key (or no key with the prefix) is not in the store
constexpr int kMalformed = 5; // a malformed line of a source

const char kUsageText[] =
    "usage: xdb [-t DIR] [-p] [-r] COMMAND STORE [ARGUMENTS]\n"
    "commands:\n"
    "  create STORE               make an empty store\n"
    "  put STORE KEY TEXT         store TEXT and a NUL under KEY (-r: without the NUL)\n"
    "  put STORE KEY -f FILE      store the bytes of FILE (- for standard input)\n"
    "  get STORE KEY              write the data of KEY (-r: with its NUL)\n"
    "  delete STORE KEY           remove KEY\n"
    "  delete-prefix STORE PREFIX remove every key that begins with PREFIX\n"
    "  keys STORE                 list the keys\n"
    "  dump STORE                 show every record\n"
    "  import STORE SOURCE        store the records of a source file (- for standard input)\n"
    "  export STORE [FILE]        write the store as a source\n"
    "STORE is a path when it begins with / or . or ends with .xdb, else a name\n"
    "under the tool directory (-t DIR or XDB_TOOLPATH): DIR/db/NAME.xdb.\n";

struct Options {
    std::string toolDir;
    bool plain = false; // records added to a store without a format are plain
    bool raw = false;   // put: no NUL after TEXT; get: the data as it is
};

[[noreturn]] void Fail(int status, const char* fmt, ...) ZV_PRINTF(2, 3);
void Fail(int status, const char* fmt, ...) {
    std::fflush(stdout);
    std::fputs("xdb: ", stderr);
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fputc('\n', stderr);
    std::exit(status);
}

[[noreturn]] void Usage(const char* why) {
    std::fprintf(stderr, "xdb: %s\n%s", why, kUsageText);
    std::exit(kUsage);
}

bool IsPathArgument(std::string_view s) {
    return s.starts_with('/') || s.starts_with('.') ||
           (s.size() > 4 && s.substr(s.size() - 4) == ".xdb");
}

// An opened store: its file, the name under which the library knows it, and
// the handle holding its image.
class Store {
public:
    Store(const Options& opt, const std::string& arg) : byName_(!IsPathArgument(arg)) {
        if (byName_) {
            if (opt.toolDir.empty())
                Usage(("no tool directory for the store name " + arg +
                       ": give -t DIR or set XDB_TOOLPATH")
                          .c_str());
            tool_ = opt.toolDir;
            pToolPath = tool_.data();
            file_ = tool_ + "/db/" + arg + ".xdb";
            libName_ = arg;
        } else {
            file_ = std::filesystem::absolute(arg).lexically_normal().string();
            // The library adds ".xdb" to a path without any ".": "/./" keeps
            // the path as it is.
            libName_ = file_.find('.') == std::string::npos ? "/." + file_ : file_;
        }
        struct stat st;
        exists_ = stat(file_.c_str(), &st) == 0;
        if (exists_ && !S_ISREG(st.st_mode))
            Fail(kFailed, "not a store file: %s", file_.c_str());
        if (exists_)
            mode_ = st.st_mode & 07777;
        h_ = DbTOpen(libName_.c_str(), DBT_KEEPIMAGE | DBT_DEFERWRITE);
        if (!h_)
            Fail(kFailed, "%s", common_109);
        if (h_->flUnread)
            Fail(kFailed, "cannot read %s", file_.c_str());
        // A store without a format (missing or empty) takes plain records
        // with -p.
        if (opt.plain && h_->DbType == DBT_NEW) {
            PutMem(h_->pImage);
            h_->pImage = nullptr;
            h_->ImageSize = 0;
            h_->ImageRoom = 0;
            DbTSetDbType(h_, DBT_PLAIN);
        }
        size_ = h_->ImageSize;
    }
    ~Store() { DbTClose(h_); }
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    DbTHandle* h() const { return h_; }
    const std::string& file() const { return file_; }
    bool exists() const { return exists_; }

    void RequireExisting() const {
        if (!exists_)
            Fail(kNoStore, "no store %s", file_.c_str());
    }

    // Every record, in store order; a damaged record that ends the store
    // early is reported.
    std::vector<std::pair<std::string, std::string>> Records() {
        std::vector<std::pair<std::string, std::string>> records;
        DbLink* const list = DbmTGetDbLinkList(h_, "");
        for (const DbLink* l = list; l; l = l->pNext)
            records.emplace_back(std::string(l->pKey, strnlen(l->pKey, l->pData - l->pKey)),
                                 std::string(l->pData, static_cast<std::size_t>(l->DataSize)));
        DbmFreeDbLinkList(list);
        if (h_->ImageSize < size_)
            std::fprintf(stderr,
                         "xdb: warning: %s: damaged record at offset %d, the rest of the "
                         "file is left out\n",
                         file_.c_str(), h_->ImageSize);
        size_ = h_->ImageSize;
        return records;
    }

    // Writes the image to the file through a new file moved over it.
    void Write() {
        if (!h_->pImage && h_->DbType != DBT_PLAIN) {
            // A new typed store: its header alone.
            h_->pImage = static_cast<char*>(GetMem(DBT_HEADER_SIZE));
            if (!h_->pImage)
                Fail(kFailed, "%s", common_109);
            h_->ImageSize = h_->ImageRoom = DBT_HEADER_SIZE;
        }
        if (h_->DbType != DBT_PLAIN)
            UpdateHeader(h_);
        const std::filesystem::path target(file_);
        std::error_code ec;
        if (byName_)
            std::filesystem::create_directories(target.parent_path(), ec);
        const std::string temp = file_.ends_with(".xdb") ? file_ + "_new" : file_ + ".xdb_new";
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (fd < 0)
            Fail(kFailed, "cannot write %s: %s", temp.c_str(), std::strerror(errno));
        if (exists_)
            (void)fchmod(fd, mode_);
        const char* p = h_->pImage;
        std::size_t left = static_cast<std::size_t>(h_->ImageSize);
        while (left > 0) {
            const ssize_t n = write(fd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int err = n < 0 ? errno : EIO;
                close(fd);
                Fail(kFailed, "cannot write %s: %s", temp.c_str(), std::strerror(err));
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        if (close(fd) != 0)
            Fail(kFailed, "cannot write %s: %s", temp.c_str(), std::strerror(errno));
        if (std::rename(temp.c_str(), file_.c_str()) != 0)
            Fail(kFailed, "cannot replace %s: %s", file_.c_str(), std::strerror(errno));
    }

private:
    bool byName_;
    std::string tool_;
    std::string file_;
    std::string libName_;
    bool exists_ = false;
    mode_t mode_ = 0;
    int size_ = 0;
    DbTHandle* h_ = nullptr;
};

std::string ReadAll(const std::string& name, const char* what) {
    if (name == "-")
        return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    std::ifstream in(name, std::ios::binary);
    if (!in)
        Fail(kFailed, "cannot read %s %s: %s", what, name.c_str(), std::strerror(errno));
    std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        Fail(kFailed, "cannot read %s %s", what, name.c_str());
    return data;
}

void CheckKey(const std::string& key) {
    if (const std::string problem = xdb::KeyProblem(key); !problem.empty())
        Fail(kFailed, "%s", problem.c_str());
}

void Put(Store& s, const std::string& key, const std::string& data) {
    if (data.empty())
        Fail(kFailed, "no data to store under %s", key.c_str());
    const std::size_t body = 2 + key.size() + 1 + data.size();
    if (body > static_cast<std::size_t>(DBM_MAX_REC_LEN))
        Fail(kFailed, "record of %zu bytes with its key, at most %d: %s", body, DBM_MAX_REC_LEN,
             key.c_str());
    if (!DbmTPutRecord(s.h(), key.c_str(), data.data(), static_cast<int>(data.size())))
        Fail(kFailed, "cannot store %s in %s", key.c_str(), s.file().c_str());
}

int CmdCreate(const Options& opt, const std::vector<std::string>& args) {
    if (args.size() != 1)
        Usage("create takes a store");
    Store s(opt, args[0]);
    if (s.exists())
        Fail(kFailed, "store exists: %s", s.file().c_str());
    s.Write();
    return kOk;
}

int CmdPut(const Options& opt, const std::vector<std::string>& args) {
    std::string data;
    if (args.size() == 4 && args[2] == "-f")
        data = ReadAll(args[3], "data file");
    else if (args.size() == 3)
        data = args[2] + (opt.raw ? "" : std::string(1, '\0'));
    else
        Usage("put takes a store, a key and a text (or -f FILE)");
    CheckKey(args[1]);
    Store s(opt, args[0]);
    Put(s, args[1], data);
    s.Write();
    return kOk;
}

int CmdGet(const Options& opt, const std::vector<std::string>& args) {
    if (args.size() != 2)
        Usage("get takes a store and a key");
    Store s(opt, args[0]);
    s.RequireExisting();
    char* buf = nullptr;
    const int size = DbmTGetRecordV(s.h(), args[1].c_str(), &buf, 0);
    if (size <= 0)
        Fail(kNoKey, "no key %s in %s", args[1].c_str(), s.file().c_str());
    std::size_t n = static_cast<std::size_t>(size);
    if (!opt.raw && buf[n - 1] == '\0')
        --n;
    std::fwrite(buf, 1, n, stdout);
    PutMem(buf);
    return kOk;
}

int CmdDelete(const Options& opt, const std::vector<std::string>& args, bool prefix) {
    if (args.size() != 2)
        Usage(prefix ? "delete-prefix takes a store and a prefix"
                     : "delete takes a store and a key");
    if (args[1].empty())
        Usage(prefix ? "empty prefix" : "empty key");
    Store s(opt, args[0]);
    s.RequireExisting();
    const int removed = prefix
                            ? PurgeTRecord(s.h(), args[1].c_str(), static_cast<int>(args[1].size()))
                            : DbmTDeleteRecord(s.h(), args[1].c_str());
    if (!removed)
        Fail(kNoKey, prefix ? "no key begins with %s in %s" : "no key %s in %s", args[1].c_str(),
             s.file().c_str());
    s.Write();
    return kOk;
}

int CmdKeys(const Options& opt, const std::vector<std::string>& args) {
    if (args.size() != 1)
        Usage("keys takes a store");
    Store s(opt, args[0]);
    s.RequireExisting();
    for (const auto& [key, data] : s.Records())
        std::printf("%s\n", key.c_str());
    return kOk;
}

int CmdDump(const Options& opt, const std::vector<std::string>& args) {
    if (args.size() != 1)
        Usage("dump takes a store");
    Store s(opt, args[0]);
    s.RequireExisting();
    const auto records = s.Records();
    const char* const format = s.h()->DbType == DBT_PLAIN ? "plain" : "typed";
    std::printf("# %s: %s, %zu records\n", s.file().c_str(), format, records.size());
    for (const auto& [key, data] : records)
        std::printf("\"%s\" %zu \"%s\"\n", xdb::Escape(key).c_str(), data.size(),
                    xdb::Escape(data).c_str());
    return kOk;
}

int CmdImport(const Options& opt, const std::vector<std::string>& args) {
    if (args.size() != 2)
        Usage("import takes a store and a source");
    const std::string& source = args[1];
    const std::string text = ReadAll(source, "source");
    const std::string shown = source == "-" ? "standard input" : source;

    std::vector<xdb::SourceRecord> records;
    std::map<std::string, int> firstLine;
    int bad = 0;
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + at, end - at);
        at = end + 1;
        ++number;
        xdb::SourceRecord rec;
        std::string error;
        const xdb::LineKind kind = xdb::ParseSourceLine(line, rec, error);
        if (kind == xdb::LineKind::Record) {
            const auto [it, fresh] = firstLine.emplace(rec.key, number);
            if (!fresh) {
                error = "key " + rec.key + " already on line " + std::to_string(it->second);
            } else {
                records.push_back(std::move(rec));
                continue;
            }
        } else if (kind == xdb::LineKind::Empty) {
            continue;
        }
        std::fprintf(stderr, "xdb: %s:%d: %s\n", shown.c_str(), number, error.c_str());
        ++bad;
    }
    if (bad)
        Fail(kMalformed, "%s: %d malformed line%s, nothing stored", shown.c_str(), bad,
             bad == 1 ? "" : "s");
    Store s(opt, args[0]);
    for (const xdb::SourceRecord& rec : records)
        Put(s, rec.key, rec.data);
    s.Write();
    return kOk;
}

int CmdExport(const Options& opt, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2)
        Usage("export takes a store and perhaps a file");
    Store s(opt, args[0]);
    s.RequireExisting();
    std::string text;
    for (const auto& [key, data] : s.Records())
        text += xdb::FormatSourceLine(key, data) + "\n";
    if (args.size() == 1 || args[1] == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? kOk : kFailed;
    }
    std::ofstream out(args[1], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        Fail(kFailed, "cannot write %s", args[1].c_str());
    return kOk;
}

} // namespace

int main(int argc, char** argv) {
    my_name = const_cast<char*>("xdb");
    Options opt;
    if (const char* env = std::getenv("XDB_TOOLPATH"))
        opt.toolDir = env;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
        const std::string o = argv[i];
        if (o == "--") {
            ++i;
            break;
        }
        if (o == "-h" || o == "--help") {
            std::fputs(kUsageText, stdout);
            return kOk;
        }
        if (o == "-p") {
            opt.plain = true;
        } else if (o == "-r") {
            opt.raw = true;
        } else if (o == "-t") {
            if (++i == argc)
                Usage("-t takes a directory");
            opt.toolDir = argv[i];
        } else {
            Usage(("unknown option " + o).c_str());
        }
    }
    if (i == argc)
        Usage("no command");
    const std::string command = argv[i++];
    const std::vector<std::string> args(argv + i, argv + argc);
    if (command == "create")
        return CmdCreate(opt, args);
    if (command == "put")
        return CmdPut(opt, args);
    if (command == "get")
        return CmdGet(opt, args);
    if (command == "delete")
        return CmdDelete(opt, args, false);
    if (command == "delete-prefix")
        return CmdDelete(opt, args, true);
    if (command == "keys")
        return CmdKeys(opt, args);
    if (command == "dump")
        return CmdDump(opt, args);
    if (command == "import")
        return CmdImport(opt, args);
    if (command == "export")
        return CmdExport(opt, args);
    Usage(("unknown command " + command).c_str());
}
