// The web-process extension's private folder.
#include "WebProcessExtension.h"

#include "BookKey.h"

#include "CarriedFiles.h"
#include "GObjectRef.h"
#include "extension/BookMediaSource.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <glib-unix.h>
#include <signal.h>
#include <webkit2/webkit2.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

namespace viewer::webkit {

namespace {

constexpr char kLockName[] = "lock";
constexpr char kModuleName[] = "zorbin-web-extension.so";
constexpr time_t kMakingTakes = 60;  // seconds, at the very most
// WebKit's media player hands GStreamer only the schemes this lists (comma
// separated) besides its own; the extension's media source plays ours.
constexpr char kMediaSchemesVariable[] = "WEBKIT_GST_ALLOWED_URI_PROTOCOLS";

bool WriteWhole(const std::string& path, std::string_view bytes, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0 && ok;
}

// Removes a folder of ours and the files in it (no sub-folders are made).
void RemoveFolder(const std::string& folder) {
    if (DIR* dir = ::opendir(folder.c_str())) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        ::closedir(dir);
        for (const std::string& name : names) ::unlink((folder + "/" + name).c_str());
    }
    ::rmdir(folder.c_str());
}

// The folder of this viewer: made with its module, locked while the
// process runs (the lock goes with the process, however it ends) and
// removed at its normal end.
class ExtensionFolder {
public:
    explicit ExtensionFolder(const std::string& runtimeFolder) {
        std::string pattern = runtimeFolder + "/" + kExtensionFolderPrefix + "XXXXXX";
        if (!::mkdtemp(pattern.data())) return;
        path_ = pattern;
        lock_ = ::open((path_ + "/" + kLockName).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (lock_ < 0 || ::flock(lock_, LOCK_EX | LOCK_NB) != 0 ||
            !WriteWhole(path_ + "/" + kModuleName, WebExtensionModule(), 0500)) {
            Remove();
        }
    }
    ~ExtensionFolder() { Remove(); }
    ExtensionFolder(const ExtensionFolder&) = delete;
    ExtensionFolder& operator=(const ExtensionFolder&) = delete;

    const std::string& Path() const { return path_; }

    void Remove() {
        if (!path_.empty()) RemoveFolder(path_);
        if (lock_ >= 0) ::close(lock_);
        lock_ = -1;
        path_.clear();
    }

private:
    std::string path_;
    int lock_ = -1;
};

ExtensionFolder* Installed(ExtensionFolder* folder = nullptr) {
    static ExtensionFolder* installed = nullptr;
    if (folder) installed = folder;
    return installed;
}

// A viewer told to end (by the session, by kill) takes its folder along,
// then ends as the signal would have ended it.
gboolean EndWithFolder(gpointer signalNumber) {
    const int signal = GPOINTER_TO_INT(signalNumber);
    if (Installed()) Installed()->Remove();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return G_SOURCE_REMOVE;
}

constexpr char kHandedBookKey[] = "zorbin-handed-book";

// What the extension is handed: the book's file and, for a protected book
// once its password has opened it, the book's key (else no bytes). The key
// goes through WebKit's connection to its process, never through a file.
GVariant* ExtensionUserData(const book::Book* book) {
    std::string key;
    if (const auto bookKey = book ? book->Key() : nullptr) key = bookKey->Bytes();
    GVariant* const keyBytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, key.data(), key.size(), 1);
    ::explicit_bzero(key.data(), key.size());  // the variant holds its own copy
    return g_variant_new("(s@ay)", book ? book->Path().c_str() : "", keyBytes);
}

void AllowMediaScheme() {
    const char* allowed = g_getenv(kMediaSchemesVariable);
    std::string schemes = allowed && *allowed ? std::string(allowed) + "," + zorbin_extension::kMediaScheme
                                              : zorbin_extension::kMediaScheme;
    g_setenv(kMediaSchemesVariable, schemes.c_str(), TRUE);
}

}  // namespace

void RemoveStaleExtensionFolders(const std::string& runtimeFolder) {
    std::vector<std::string> ours;
    if (DIR* dir = ::opendir(runtimeFolder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (std::strncmp(entry->d_name, kExtensionFolderPrefix, sizeof kExtensionFolderPrefix - 1) == 0)
                ours.push_back(runtimeFolder + "/" + entry->d_name);
        ::closedir(dir);
    }
    for (const std::string& folder : ours) {
        struct stat st;
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
        const int lock = ::open((folder + "/" + kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        // A folder without its lock file is one whose making was cut short,
        // or one another viewer is making right now: only an old one goes.
        const bool stale = lock < 0 ? errno == ENOENT && ::time(nullptr) - st.st_mtime > kMakingTakes
                                    : ::flock(lock, LOCK_EX | LOCK_NB) == 0;
        if (stale) RemoveFolder(folder);
        if (lock >= 0) ::close(lock);
    }
}

void InstallWebProcessExtension(WebKitWebContext* context) {
    if (!Installed()) {
        const std::string runtimeFolder = g_get_user_runtime_dir();
        RemoveStaleExtensionFolders(runtimeFolder);
        // Told to end from here on, the viewer takes its folder along.
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(signal, EndWithFolder, GINT_TO_POINTER(signal));
        static ExtensionFolder folder(runtimeFolder);
        Installed(&folder);
        AllowMediaScheme();
    }
    if (Installed()->Path().empty()) return;
    webkit_web_context_set_web_extensions_directory(context, Installed()->Path().c_str());
    // Handed over as each web process starts, so that one started after the
    // reader's password has opened a protected book gets the book's key.
    const auto handOver = +[](WebKitWebContext* startingContext, gpointer) {
        const auto book = GetShared<const book::Book>(startingContext, kHandedBookKey);
        webkit_web_context_set_web_extensions_initialization_user_data(startingContext, ExtensionUserData(book.get()));
    };
    g_signal_connect(context, "initialize-web-extensions", G_CALLBACK(handOver), nullptr);
}

void HandBookToWebProcesses(WebKitWebContext* context, std::shared_ptr<const book::Book> book) {
    SetShared(context, kHandedBookKey, std::move(book));
}

std::string WebProcessExtensionFolder() { return Installed() ? Installed()->Path() : std::string(); }

}  // namespace viewer::webkit
