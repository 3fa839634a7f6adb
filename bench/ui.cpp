// Composing the screen: a 320 x 480-point window of 30 views at scale 2, as the camera page is
// built — a full-screen picture, bars, translucent panels, small drawn buttons and a few scaled
// thumbnails — with every view's drawn content already kept (the steady state between frames).
#include "bench/support/Goal.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/RunLoop.h"
#include "platform/graphics/GraphicsContext.h"
#include "platform/ui/Compositor.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace platform;

namespace {

// A small drawn control: a filled, stroked circle.
class DotView : public View {
public:
    using View::View;
    void drawRect(GraphicsContext& ctx, const Rect&) override {
        ctx.setFillColor(Color::rgba(0.2f, 0.4f, 0.9f, 0.8f));
        ctx.setStrokeColor(Color::white(1));
        ctx.setLineWidth(2);
        ctx.addEllipseInRect(bounds().insetBy(2, 2));
        ctx.drawPath(PathDrawingMode::FillStroke);
    }
};

ImageRef picture(int w, int h) {
    std::vector<uint8_t> b(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &b[(size_t(y) * w + x) * 4];
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(128 + 100 * std::sin((x + y) * 0.05));
            p[3] = 255;
        }
    return Image::createBGRX(w, h, std::move(b));
}

// 30 views: 1 picture, 2 bars, 1 panel with 12 dots, 4 thumbnails, 10 indicators.
std::unique_ptr<Window> cameraLikeScreen(int& count) {
    auto window = std::make_unique<Window>(Rect(0, 0, 320, 480));
    window->setBackgroundColor(Color::black());
    count = 0;
    auto add = [&](View* parent, std::unique_ptr<View> v) {
        ++count;
        return parent->addSubview(std::move(v));
    };
    auto preview = std::make_unique<ImageView>(Rect(0, 0, 320, 427));
    preview->setImage(picture(640, 854));
    add(window.get(), std::move(preview));
    View* nav = add(window.get(), std::make_unique<View>(Rect(0, 0, 320, 53)));
    nav->setBackgroundColor(Color::rgba(0.1f, 0.1f, 0.1f, 0.9f));
    View* bar = add(window.get(), std::make_unique<View>(Rect(0, 340, 320, 140)));
    bar->setBackgroundColor(Color::rgba(0, 0, 0, 0.6f));
    View* panel = add(bar, std::make_unique<View>(Rect(0, 90, 320, 50)));
    panel->setClipsToBounds(true);
    for (int i = 0; i < 12; ++i) add(panel, std::make_unique<DotView>(Rect(4 + i * 26, 4, 40, 40)));
    for (int i = 0; i < 4; ++i) {
        auto thumb = std::make_unique<ImageView>(Rect(240, 200 + i * 4, 75, 75));
        thumb->setImage(picture(75, 75));
        thumb->setTransform(AffineTransform::makeScale(0.2f + 0.1f * i, 0.2f + 0.1f * i));
        thumb->setAlpha(0.9f);
        add(window.get(), std::move(thumb));
    }
    for (int i = 0; i < 10; ++i) {
        View* v = add(window.get(), std::make_unique<DotView>(Rect(10 + i * 30, 60, 24, 24)));
        v->setAlpha(i % 2 ? 1.0f : 0.5f);
    }
    return window;
}

void BM_ComposeScreen30ViewsScale2(benchmark::State& state) {
    ManualClock clock;
    RunLoop loop(clock);
    RunLoop::setMain(&loop);
    int count = 0;
    auto window = cameraLikeScreen(count);
    if (count != 30) state.SkipWithError("not 30 views");
    Compositor compositor(2);
    compositor.composite(*window);  // draws and keeps every view's content once
    for (auto _ : state) {
        window->setNeedsComposite();
        bool ok = compositor.composite(*window);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(compositor.pixels());
    }
    RunLoop::setMain(nullptr);
}
BENCHMARK(BM_ComposeScreen30ViewsScale2)->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

bench::GoalRegistrar composeGoal("ui.compose320x480x30ViewsScale2", [](const bench::Results& r)
                                     -> std::optional<bench::GoalLine> {
    auto t = r.get("BM_ComposeScreen30ViewsScale2/repeats:5/real_time_median");
    if (!t) t = r.get("BM_ComposeScreen30ViewsScale2/repeats:5/real_time");
    if (!t) return std::nullopt;
    return bench::GoalLine{*t * 1e3, 8, "ms", false, "median, content kept"};
});

}  // namespace
