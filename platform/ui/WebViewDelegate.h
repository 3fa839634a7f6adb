#pragma once
// What a web view tells its delegate. Every method is optional.
#include <string>

namespace platform {

class WebView;

enum class WebViewNavigationType { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };

class WebViewDelegate {
public:
    virtual ~WebViewDelegate() = default;
    // Asked before a link is followed; false leaves the page as it is.
    virtual bool webViewShouldStartLoadWithRequest(WebView* webView, const std::string& url, WebViewNavigationType type) {
        return true;
    }
    virtual void webViewDidStartLoad(WebView* webView) {}
    virtual void webViewDidFinishLoad(WebView* webView) {}
    virtual void webViewDidFailLoadWithError(WebView* webView, const std::string& error) {}
    // A link to another site (http:, mailto:, ...), which a web view in the bundle cannot show.
    virtual void webViewOpenExternalURL(WebView* webView, const std::string& url) {}
};

}  // namespace platform
