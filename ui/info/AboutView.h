#pragma once
// The information page: the position line with its refresh button, the help and about buttons,
// the double-tap control, and the help text laid over the page in a web view. Its controls come
// from the "AboutPage" interface file; the help page is read once, at load, and only faded in and
// out afterwards.
#include "platform/ui/View.h"
#include "platform/ui/WebViewDelegate.h"

#include <string>

namespace platform {
class Bundle;
class Button;
class Label;
class WebView;
}  // namespace platform

namespace kestrova {

class AboutView : public platform::View, public platform::WebViewDelegate {
public:
    static constexpr float kHelpOpacity = 0.7f;

    explicit AboutView(const platform::Rect& frame = {});
    ~AboutView() override;

    // Titles the buttons, makes the web view with the help text (hidden) above the controls and
    // fills the position line. Outlets the file did not connect are skipped.
    void awakeFromNib() override;

    // Fade the help text in (the help, about and position controls out) or back out.
    void loadHelpPage();
    void closeHelpPage();
    // The position line: the last accepted fix, or the localised "GEOTAG_REFRESH" before one.
    void updateGPSLabels();
    // Starts location updates again; the line changes when the next fix is accepted.
    void refreshGPS(platform::Object* sender);

    // The help page that `bundle`'s "HELP_FILE" names, read by its encoding rule: the Japanese and
    // Chinese pages as UTF-8, any other without a named encoding. Empty when it cannot be read.
    static std::string helpText(const platform::Bundle& bundle);
    // "%1.2f %1.2f" of latitude and longitude, widened to double ("51.51 -0.13").
    static std::string positionLine(float latitude, float longitude);

    // Every link of the help text opens inside the web view.
    bool webViewShouldStartLoadWithRequest(platform::WebView* webView, const std::string& url,
                                           platform::WebViewNavigationType type) override;
    void webViewDidStartLoad(platform::WebView* webView) override {}
    void webViewDidFinishLoad(platform::WebView* webView) override {}
    void webViewDidFailLoadWithError(platform::WebView* webView, const std::string& error) override {}

    bool setOutlet(std::string_view name, platform::Object* object) override;
    platform::Action actionNamed(std::string_view name) override;

    platform::Button* helpButton() const { return helpButton_; }
    platform::Button* aboutButton() const { return aboutButton_; }
    platform::Button* xButton() const { return xButton_; }
    platform::Button* gpsButton() const { return gpsButton_; }
    platform::Label* gpstext() const { return gpstext_; }
    platform::Label* geotagLabel() const { return geotagLabel_; }
    platform::WebView* helpView() const { return helpView_; }
    const std::string& urlStr() const { return url_str_; }

private:
    // Fields from the interface file; the page's subviews own them.
    platform::Button* helpButton_ = nullptr;
    platform::Button* aboutButton_ = nullptr;
    platform::Button* xButton_ = nullptr;
    platform::Button* gpsButton_ = nullptr;
    platform::Label* gpstext_ = nullptr;
    platform::Label* geotagLabel_ = nullptr;
    platform::WebView* helpView_ = nullptr;  // made by the page, owned as its subview
    std::string url_str_;
};

}  // namespace kestrova
