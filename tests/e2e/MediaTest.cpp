// End to end: an eBook of generated media and absolute "http://ebook/…"
// addresses, compiled by the real compiler and read by the viewer's window
// code in a real WebKit view. Every media element plays, reports its
// duration, seeks near its end and plays on; nothing of the media reaches a
// file while it plays; and the web-process extension's folder goes with the
// viewer, also when it was killed.
#include "ScriptedDialogsFor.h"
#include "ViewerOnEBook.h"

#include <dirent.h>
#include <limits.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace {

constexpr double kClipSeconds = 4;

// Makes a clip with gst-launch-1.0; false when this system lacks an element.
bool MakeClip(const std::string& pipeline) {
    return std::system(("gst-launch-1.0 -q " + pipeline + " >/dev/null 2>&1").c_str()) == 0;
}

// The media: element id, the file it plays, and the markup or script that
// makes it. Each one is watched by the page's own script (see kWatcher).
struct Media {
    std::string id, file, markup;
};

const char* const kWatcher = R"(
<script>
window.report = {};
// Each medium plays until it has played a while, seeks to 90 % once its
// duration is known (some streams, MP3, tell it only once they play), and
// plays on from there: each step waits for the media, not for a clock, so a
// busy machine only makes it slower.
window.watch = (el) => {
  const r = report[el.id] = {};
  el.addEventListener('error', () => { r.error = el.error ? el.error.code : -1; });
  const step = () => {
    if (r.duration === undefined && el.duration > 0 && isFinite(el.duration)) r.duration = el.duration;
    if (r.duration === undefined || r.playing !== undefined || el.currentTime < 0.3) return;
    r.playing = el.currentTime;
    el.currentTime = r.duration * 0.9;
  };
  el.addEventListener('loadedmetadata', () => { r.src = el.currentSrc; el.play(); step(); }, { once: true });
  for (const event of ['durationchange', 'timeupdate']) el.addEventListener(event, step);
  el.addEventListener('seeked', () => {
    r.seeked = el.currentTime;
    const on = () => {
      if (el.currentTime <= r.seeked && !el.ended) return;
      r.after = el.currentTime;
      r.done = true;
    };
    el.addEventListener('timeupdate', on);
    el.addEventListener('ended', on);
  }, { once: true });
};
</script>
)";

// The folder the eBook is compiled from. Each medium plays on a page of its
// own, "play-ID.html", one player at a time, and all of them together on
// "play-all.html"; "file-N.html" plays the N-th media file once, for the
// same web view to play through file://.
const TempDir& MediaSite() {
    static TempDir site;
    return site;
}

std::string MediaBook(std::vector<Media>& media) {
    const TempDir& site = MediaSite();
    static TempDir out;
    // A pipeline whose muxer is named m writes the clip; any other ends in it.
    const auto clip = [&](const std::string& name, const std::string& pipeline) {
        const std::string sink = " ! filesink location='" + site / name + "' ";
        const std::size_t muxer = pipeline.find(" name=m ");
        if (muxer == std::string::npos) return MakeClip(pipeline + sink);
        return MakeClip(pipeline.substr(0, muxer) + " name=m" + sink + pipeline.substr(muxer + 8));
    };
    const std::string frames = "num-buffers=" + std::to_string(static_cast<int>(kClipSeconds * 30));
    const std::string samples = "num-buffers=" + std::to_string(static_cast<int>(kClipSeconds * 44100 / 1024 + 1));
    const std::string video = "videotestsrc " + frames + " ! video/x-raw,width=160,height=120,framerate=30/1";
    const std::string audio = "audiotestsrc " + samples + " ! audioconvert";
    ::mkdir((site / "media").c_str(), 0755);
    EXPECT_TRUE(clip("media/clip.webm", video + " ! vp8enc deadline=1 ! webmmux name=m " + audio + " ! vorbisenc ! m."));
    const bool opus = clip("media/voice.webm", audio + " ! audioresample ! opusenc ! webmmux");
    const bool ogg = clip("media/tone.ogg", audio + " ! vorbisenc ! oggmux");
    const bool mp3 = clip("media/tone.mp3", audio + " ! lamemp3enc ! id3v2mux");
    const bool mp4 = clip("media/clip.mp4", video + " ! x264enc speed-preset=ultrafast ! mp4mux name=m " + audio +
                                                " ! avenc_aac ! m.");

    const std::string webm = "media/clip.webm";
    media = {{"relative", webm, "<video id=relative muted src='media/clip.webm'></video>"},
             {"root", webm, "<video id=root muted src='/media/clip.webm'></video>"},
             {"absolute", webm, "<video id=absolute muted src='http://ebook/media/clip.webm'></video>"},
             {"source", webm, "<video id=source muted><source src='media/clip.webm' type='video/webm'></video>"},
             {"script", webm, "<script>{ const v = document.createElement('video'); v.id = 'script'; v.muted = true;"
                              " document.body.append(v); watch(v); v.src = 'media/clip.webm'; }</script>"},
             {"audioObject", webm, "<script>{ const a = new Audio('media/clip.webm'); a.id = 'audioObject';"
                                   " a.muted = true; watch(a); }</script>"}};
    if (opus) media.push_back({"opus", "media/voice.webm", "<audio id=opus muted src='media/voice.webm'></audio>"});
    if (ogg) media.push_back({"ogg", "media/tone.ogg", "<audio id=ogg muted src='media/tone.ogg'></audio>"});
    if (mp3) media.push_back({"mp3", "media/tone.mp3", "<audio id=mp3 muted src='media/tone.mp3'></audio>"});
    if (mp4) media.push_back({"mp4", "media/clip.mp4", "<video id=mp4 muted src='media/clip.mp4'></video>"});

    const auto playingPage = [](const std::string& markup, const std::string& id) {
        std::string page = std::string("<html><body>") + kWatcher + markup;
        if (markup.rfind("<script>", 0) != 0) page += "<script>watch(document.getElementById('" + id + "'))</script>";
        return page + "</body></html>";
    };
    std::vector<std::string> files;
    std::string together;
    for (const Media& m : media) {
        together += m.markup;
        if (m.markup.rfind("<script>", 0) != 0) together += "<script>watch(document.getElementById('" + m.id + "'))</script>";
        site.Write("play-" + m.id + ".html", playingPage(m.markup, m.id));
        if (std::find(files.begin(), files.end(), m.file) != files.end()) continue;
        site.Write("file-" + std::to_string(files.size()) + ".html",
                   playingPage("<video id='" + m.file + "' muted src='" + m.file + "'></video>", m.file));
        files.push_back(m.file);
    }
    site.Write("play-all.html", std::string("<html><body>") + kWatcher + together + "</body></html>");

    std::string page = "<html><head><link rel=stylesheet href='http://ebook/style/absolute.css'></head><body>";
    page += "<img id=picture src='http://ebook/pictures/dot.png'>"
            "<p id=lettered>Lettered</p>"
            "<iframe id=inner src='http://ebook/inner.html'></iframe></body></html>";
    site.Write("index.html", page);
    site.Write("inner.html", "<html><body><p id=inside>inside the frame</p></body></html>");
    site.Write("style/absolute.css",
               "@font-face { font-family: Carried; src: url(http://ebook/fonts/carried.ttf); }\n"
               "body { color: rgb(10, 20, 30); } #lettered { font-family: Carried; }\n");
    site.Write("fonts/carried.ttf", ReadFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    site.Write("pictures/dot.png", ReadFile(ZORBIN_EXAMPLE_BOOK "/images/teapot.png"));
    site.Write("data.json", "{\"from\": \"the book\"}");
    const std::string ebook = out / "media.exe";
    EXPECT_EQ(std::system(("'" ZORBIN_COMPILER "' build '" + site.path() + "' -q -o '" + ebook + "'").c_str()), 0);
    return ebook;
}

class ViewerOnMedia : public ViewerOnEBook {
protected:
    static std::vector<Media>& AllMedia() {
        static std::vector<Media> media;
        return media;
    }
    std::string EBook() override {
        static const std::string path = MediaBook(AllMedia());
        return path;
    }
};

// A protected book whose video is large enough to be chunked, so that the
// web process reads it from sealed chunks with the key the reader's
// password unlocked.
const char* const kMediaPassword = "media secret";

std::string ProtectedMediaBook() {
    static TempDir site, out;
    ::mkdir((site / "media").c_str(), 0755);
    // Snow does not compress: some 6 MB of video.
    EXPECT_TRUE(MakeClip("videotestsrc pattern=snow num-buffers=" + std::to_string(static_cast<int>(kClipSeconds * 30)) +
                         " ! video/x-raw,width=320,height=240,framerate=30/1 ! vp8enc deadline=1 target-bitrate=12000000"
                         " ! webmmux ! filesink location='" + site / "media/big.webm" + "'"));
    site.Write("index.html", "<html><body>A protected book</body></html>");
    site.Write("play.html", std::string("<html><body>") + kWatcher +
                                "<video id=big muted src='media/big.webm'></video>"
                                "<script>watch(document.getElementById('big'))</script></body></html>");
    const std::string password = out.Write("password", std::string(kMediaPassword) + "\n");
    const std::string ebook = out / "protected.exe";
    EXPECT_EQ(std::system(("'" ZORBIN_COMPILER "' build '" + site.path() + "' -q --password-file '" + password +
                           "' -o '" + ebook + "'").c_str()),
              0);
    return ebook;
}

class ViewerOnProtectedMedia : public ViewerOnEBook {
protected:
    std::string EBook() override {
        static const std::string path = ProtectedMediaBook();
        return path;
    }
    void SetUp() override {
        UseScriptedDialogs().inputAnswers.push_back(kMediaPassword);
        ViewerOnEBook::SetUp();
    }
};

// Watches folders for files made in them, as long as it lives.
class NewFiles {
public:
    explicit NewFiles(const std::vector<std::string>& folders) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        for (const std::string& f : folders) ::inotify_add_watch(fd_, f.c_str(), IN_CREATE | IN_MOVED_TO);
    }
    ~NewFiles() { ::close(fd_); }
    std::set<std::string> Names() {
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len) names_.insert(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        return names_;
    }

private:
    int fd_;
    std::set<std::string> names_;
};

}  // namespace

// Each element plays as the same file does through file:// in the same web
// view: the same duration, and a seek to 90 % lands there and plays on.
TEST_F(ViewerOnMedia, EveryMediaElementPlaysAndSeeksAsThroughFileWithNothingOnDisk) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    // Plays a page through to its report, once more should a stream stall.
    const auto play = [&](const std::string& url, const std::string& shown) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            form->webbrowser1->Browser().Navigate(url);
            if (!WaitFor(shown)) continue;
            if (RunUntil([&] { return Eval("Object.values(report).length > 0 && Object.values(report).every(r => r.done || r.error)") == "true"; }, 30000))
                return true;
        }
        return false;
    };
    std::map<std::string, std::string> throughFile;
    for (const Media& m : AllMedia()) {
        if (throughFile.count(m.file)) continue;
        const std::string url = "file://" + MediaSite().path() + "/file-" + std::to_string(throughFile.size()) + ".html";
        ASSERT_TRUE(play(url, url)) << Eval("JSON.stringify(report)");
        throughFile[m.file] = Eval("report['" + m.file + "'].duration");
    }

    // Other tests make folders in /tmp meanwhile; nothing else makes any in
    // the other folders.
    NewFiles inTmp({"/tmp"});
    NewFiles made({"/var/tmp", g_get_user_runtime_dir(), g_get_user_cache_dir()});
    for (const Media& m : AllMedia()) {
        const std::string r = "report['" + m.id + "']";
        EXPECT_TRUE(play("http://ebook/play-" + m.id + ".html", "ebook://ebook/play-" + m.id + ".html"));
        SCOPED_TRACE(m.id + ": " + Eval("JSON.stringify(" + r + ")") + ", through file:// " + throughFile[m.file]);
        EXPECT_EQ(Eval(r + ".error === undefined"), "true");
        EXPECT_EQ(Eval(r + ".src.startsWith('ebook://ebook/')"), "true");
        EXPECT_EQ(Eval(r + ".playing > 0.2"), "true");
        EXPECT_EQ(Eval("Math.abs(" + r + ".duration - " + throughFile[m.file] + ") < 0.1"), "true");
        EXPECT_EQ(Eval("Math.abs(" + r + ".seeked - " + r + ".duration * 0.9) < 0.25"), "true");
        EXPECT_EQ(Eval(r + ".after > " + r + ".seeked"), "true");
    }
    // Many players on one page play side by side.
    EXPECT_TRUE(play("http://ebook/play-all.html", "ebook://ebook/play-all.html")) << Eval("JSON.stringify(report)");
    EXPECT_EQ(Eval("Object.keys(report).length"), std::to_string(AllMedia().size()));
    EXPECT_EQ(Eval("Object.values(report).every(r => r.done && r.error === undefined)"), "true")
        << Eval("JSON.stringify(report)");
    for (const std::string& name : inTmp.Names()) EXPECT_EQ(name.find("WebKit-Media"), std::string::npos) << name;
    // A viewer that other tests start meanwhile makes its own folder of program code
    // ("zorbin-viewer-*", no book data) in the runtime folder; this one made its own before.
    std::set<std::string> madeHere = made.Names();
    std::erase_if(madeHere, [](const std::string& name) { return name.rfind("zorbin-viewer-", 0) == 0; });
    EXPECT_TRUE(madeHere.empty()) << *madeHere.begin();
}

TEST_F(ViewerOnProtectedMedia, ALargeVideoPlaysAndSeeksFromItsSealedChunks) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_EQ(Eval("document.body.textContent"), "A protected book");
    form->webbrowser1->Browser().Navigate("http://ebook/play.html");
    ASSERT_TRUE(WaitFor("ebook://ebook/play.html"));
    EXPECT_TRUE(RunUntil([&] { return Eval("!!(report.big.done || report.big.error)") == "true"; }, 30000))
        << Eval("JSON.stringify(report)");
    SCOPED_TRACE(Eval("JSON.stringify(report)"));
    EXPECT_EQ(Eval("report.big.error === undefined"), "true");
    EXPECT_EQ(Eval("Math.abs(report.big.duration - " + std::to_string(kClipSeconds) + ") < 0.2"), "true");
    EXPECT_EQ(Eval("Math.abs(report.big.seeked - report.big.duration * 0.9) < 0.25"), "true");
    EXPECT_EQ(Eval("report.big.after > report.big.seeked"), "true");
}

TEST_F(ViewerOnMedia, AbsoluteAddressesLoadAndTheFrameStaysInItsPlace) {
    ASSERT_TRUE(WaitFor("ebook://ebook/index.html"));
    EXPECT_TRUE(RunUntil([&] { return Eval("document.getElementById('picture').naturalWidth > 0") == "true"; }));
    EXPECT_EQ(Eval("getComputedStyle(document.body).color"), "rgb(10, 20, 30)");
    EXPECT_EQ(EvalIn(view, "await document.fonts.load('16px Carried'); return document.fonts.check('16px Carried');", true),
              "true");
    EXPECT_TRUE(RunUntil([&] {
        return Eval("document.getElementById('inner').contentDocument?.getElementById('inside')?.textContent") ==
               "inside the frame";
    }));
    EXPECT_EQ(Eval("document.getElementById('inner').contentWindow.location.href"), "ebook://ebook/inner.html");
    EXPECT_STREQ(webkit_web_view_get_uri(view), "ebook://ebook/index.html");
    EXPECT_EQ(EvalIn(view, "return await (await fetch('http://ebook/data.json')).text();", true),
              "{\"from\": \"the book\"}");
    const std::string xhr = "const x = new XMLHttpRequest(); x.open('GET', 'http://ebook/data.json', false);"
                            "x.send(); return x.responseText;";
    EXPECT_EQ(EvalIn(view, xhr, true), "{\"from\": \"the book\"}");
}

namespace {

std::vector<std::string> ExtensionFolders(const std::string& runtime) {
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(runtime.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (std::string(e->d_name).rfind("zorbin-viewer-", 0) == 0) found.push_back(e->d_name);
        ::closedir(dir);
    }
    return found;
}

pid_t StartEBook(const std::string& ebook, const std::string& runtime) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::execl(ebook.c_str(), ebook.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

// Whether a child process of `parent` maps `file`.
bool ChildMaps(pid_t parent, const std::string& file) {
    bool found = false;
    if (DIR* dir = ::opendir("/proc")) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string proc = "/proc/" + std::string(e->d_name);
            const std::string status = ReadFile(proc + "/status");
            const std::size_t ppid = status.find("\nPPid:\t");
            if (ppid == std::string::npos || std::atoi(status.c_str() + ppid + 7) != parent) continue;
            found = found || ReadFile(proc + "/maps").find(" " + file + "\n") != std::string::npos;
        }
        ::closedir(dir);
    }
    return found;
}

void End(pid_t pid, int signal) {
    ::kill(pid, signal);
    int status;
    ::waitpid(pid, &status, 0);
}

}  // namespace

TEST(EBookProgram, TheExtensionFolderGoesWithTheViewerAlsoWhenItWasKilled) {
    if (!g_haveDisplay) GTEST_SKIP() << "no display";
    TempDir runtime;
    const pid_t killed = StartEBook(ExampleEBook(), runtime.path());
    const std::set<std::string> made{"lock", "zorbin-web-extension.so"};
    ASSERT_TRUE(RunUntil([&] {
        const std::vector<std::string> folders = ExtensionFolders(runtime.path());
        return folders.size() == 1 && NamesIn(runtime / folders[0]) == made;
    }, 20000)) << "the folder holds the module and the lock, and nothing else";
    const std::string left = ExtensionFolders(runtime.path())[0];
    End(killed, SIGKILL);
    EXPECT_EQ(ExtensionFolders(runtime.path()), std::vector<std::string>{left});

    const pid_t next = StartEBook(ExampleEBook(), runtime.path());
    EXPECT_TRUE(RunUntil([&] {
        const std::vector<std::string> now = ExtensionFolders(runtime.path());
        return now.size() == 1 && now[0] != left && NamesIn(runtime / now[0]) == made;
    }, 20000));
    End(next, SIGTERM);
    EXPECT_TRUE(ExtensionFolders(runtime.path()).empty());
}

// The eBook program hands its own file to WebKit's web process, which maps
// it to play the media (through /proc, as the program's file may have been
// renamed or replaced since it started).
TEST(EBookProgram, ItsWebProcessMapsTheEBookItPlaysMediaFrom) {
    if (!g_haveDisplay) GTEST_SKIP() << "no display";
    TempDir runtime;
    char real[PATH_MAX];
    ASSERT_TRUE(::realpath(ExampleEBook().c_str(), real));
    const pid_t ebook = StartEBook(real, runtime.path());
    EXPECT_TRUE(RunUntil([&] { return ChildMaps(ebook, real); }, 20000));
    End(ebook, SIGTERM);
}
