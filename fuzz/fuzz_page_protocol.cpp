// Fuzz target: the page protocol's Start and Read on arbitrary URLs and
// eBook images. The first byte gives the URL's length after the page
// prefix, the rest of the URL follows, the rest is the image.
#include "SimExe.h"
#include "eProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct CountingSink : viewer::IInternetProtocolSink {
    int data = 0, results = 0;
    std::uint32_t announced = 0;
    void ReportData(std::uint32_t, std::uint32_t progress, std::uint32_t) override {
        ++data;
        announced = progress;
    }
    void ReportResult(viewer::HRESULT, std::uint32_t, const char*) override { ++results; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t urlLength = std::min<std::size_t>(data[0], size - 1);
    const std::string rest(reinterpret_cast<const char*>(data + 1), urlLength);
    const std::string url = (urlLength % 5 == 0 ? std::string("http://other/") : std::string("http://ebook/")) + rest;
    SimExe::BlockStore() = "image:" + std::string(reinterpret_cast<const char*>(data + 1 + urlLength), size - 1 - urlLength);
    viewer::pages_ready = true;

    auto sink = std::make_shared<CountingSink>();
    viewer::TeProtocol protocol;
    const viewer::HRESULT started = protocol.Start(url, sink);
    if (started == viewer::S_OK) {
        if (sink->data != 1 || sink->results != 1) std::abort();
        char buffer[700];
        std::uint32_t read = 0, total = 0;
        for (int guard = 0; guard < 1 << 20; ++guard) {
            const viewer::HRESULT r = protocol.Read(buffer, sizeof buffer, read);
            total += read;
            if (r == viewer::S_FALSE) break;
            if (r != viewer::E_PENDING || read == 0) std::abort();
        }
        if (total != sink->announced) std::abort();
        protocol.Terminate();
    } else if (started != viewer::INET_E_USE_DEFAULT_PROTOCOLHANDLER || sink->data != 0) {
        std::abort();
    }
    SimExe::BlockStore().clear();
    return 0;
}
