// A browser for viewer tests without a display: it records what the window
// asks of it.
#pragma once

#include "WebBrowser.h"
#include "eProtocol.h"

#include <string>
#include <vector>

// Records what the window asks of its browser.
struct FakeBrowser : viewer::WebBrowser {
    std::vector<std::string> calls;
    bool hasDocument = false;
    std::shared_ptr<const book::Book> served;  // the book whose pages it was told to serve
    void RegisterPageProtocol(std::shared_ptr<const book::Book> book) override {
        served = std::move(book);
        calls.push_back("register");
    }
    void UnregisterPageProtocol() override { calls.push_back("unregister"); }
    void Navigate(const std::string& url) override { calls.push_back("navigate " + url + (viewer::pages_ready ? "" : " (not ready)")); }
    void GoBack() override { calls.push_back("back"); }
    void GoForward() override { calls.push_back("forward"); }
    void Refresh() override { calls.push_back("refresh"); }
    void Stop() override { calls.push_back("stop"); }
    bool HasDocument() const override { return hasDocument; }
    void Find() override { calls.push_back("find"); }
    void Print() override { calls.push_back("print"); }
    std::string Title() const override { return title; }
    void ShowPlace(const std::string& spot, double fraction) override {
        calls.push_back("show place " + spot + " " + std::to_string(fraction));
    }
    std::string title;
};
