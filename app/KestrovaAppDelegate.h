#pragma once
// The application's one controller: it is the application delegate, owns the camera page, starts
// the program in a fixed order, switches between the camera page and the information page, turns
// presses and volume keys into pictures, and keeps the settings.
//
// Its methods live in several files by topic: KestrovaAppDelegate.cpp (start-up, pages, life
// cycle), ...Settings.cpp, ...Options.cpp (the option catalogue), ...Capture.cpp, ...Saving.cpp,
// ...QuickView.cpp and ...Info.cpp.
//
// The host knows it only as the platform::ApplicationDelegate that host/device/AppDelegateFactory makes;
// tests reach its fields through KestrovaAppDelegateTestApi (tests/app).
#include "app/CapturePolicy.h"
#include "app/SettingModes.h"
#include "capture/SaveWorker.h"
#include "location/GeoPositionDelegate.h"
#include "platform/camera/CameraControllerDelegate.h"
#include "platform/foundation/Geometry.h"
#include "platform/foundation/ObserverHandle.h"
#include "platform/foundation/TimerGroup.h"
#include "platform/foundation/TimerHandle.h"
#include "platform/graphics/Image.h"
#include "platform/ui/AnimationDelegateHandle.h"
#include "platform/ui/ApplicationDelegate.h"
#include "platform/ui/ActionSheetDelegate.h"
#include "platform/ui/InterfaceContents.h"
#include "platform/ui/Object.h"
#include "ui/controls/ScrollerButtonDelegate.h"
#include "ui/controls/SnapButtonViewDelegate.h"
#include "ui/quickview/ThumbnailViewDelegate.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class ActionSheet;
class BarButtonItem;
class CameraController;
class CameraView;
class Device;
class ImageView;
class Label;
class NavigationBar;
class SystemVolumeController;
class Timer;
class UserDefaults;
class View;
class Window;
struct Notification;
}  // namespace platform

namespace kestrova {

class AboutView;
class DeleteCancelView;
class GeoPosition;
class GlowingCircleView;
class HideTriangleView;
class MenuScrollView;
class OptionsPageView;
class ScrollerButton;
class SnapButtonView;
class ThumbnailManager;
class ThumbnailView;
class TransitionView;

class KestrovaAppDelegate : public platform::Object,
                            public platform::ApplicationDelegate,
                            public SnapButtonViewDelegate,
                            public platform::ActionSheetDelegate,
                            public ThumbnailViewDelegate,
                            public GeoPositionDelegate,
                            public ScrollerButtonDelegate,
                            public platform::CameraControllerDelegate {
public:
    // Interface ids of the main interface file's views, for the outlets below.
    static constexpr const char* kMainInterface = "MainWindow";
    static constexpr const char* kAboutInterface = "AboutPage";
    static constexpr const char* kAlbumIdentifier = "com.apple.mobileslideshow-Photos";
    static constexpr const char* kWebsite = "https://kestrova.org/";
    static constexpr float kNavigationBarHeight = 53;

    KestrovaAppDelegate();
    // Stops the preview's delegate link, drops pending performs and observers; the worker drains.
    ~KestrovaAppDelegate() override;
    KestrovaAppDelegate(const KestrovaAppDelegate&) = delete;
    KestrovaAppDelegate& operator=(const KestrovaAppDelegate&) = delete;

    // --- Start-up, pages and life cycle ---
    void awakeFromNib() override;
    void applicationDidFinishLaunching(platform::Application& application) override;
    void applicationWillResignActive(platform::Application& application) override;
    void applicationWillTerminate(platform::Application& application) override;
    void initializeCameraController();
    void initializeViews();
    void initializeNotifications();
    // Loads the information page once; later calls do nothing.
    void loadAboutView();
    void gotoInfoPage(platform::Object* sender);
    void gotoCameraPage(platform::Object* sender);
    void gotoAlbumPage(platform::Object* sender);
    void exitToAlbum();
    void gotoWebsite(platform::Object* sender);
    void deviceOrientationChanged(const platform::Notification& notification);
    void actionSheetClickedButtonAtIndex(platform::ActionSheet* sheet, int index) override;
    platform::Window* window() const { return window_; }
    void setWindow(platform::Window* window) { window_ = window; }
    platform::View* aboutView() const { return aboutView_; }

    // --- Interface files: outlets and actions by name ---
    bool setOutlet(std::string_view name, platform::Object* object) override;
    platform::Action actionNamed(std::string_view name) override;

    // --- Settings ---
    void initializeSettings();
    void saveSettings();
    // The option buttons' actions: each asks its sender for getCurrentState.
    void setColorStatus(ScrollerButton* button);
    void setTimerStatus(ScrollerButton* button);
    void setBurstStatus(ScrollerButton* button);
    void setSizeStatus(ScrollerButton* button);
    void setRotateStatus(ScrollerButton* button);
    void setQuietStatus(ScrollerButton* button);
    void setLevelStatus(ScrollerButton* button);
    void setZoomStatus(ScrollerButton* button);
    void setTouchRingSize(ScrollerButton* button);
    void setPreviewState(ScrollerButton* button);
    // The same with the mode itself.
    void setColorStatus(ColorMode state);
    void setTimerStatus(TimerMode state);
    void setBurstStatus(BurstMode state);
    void setSizeStatus(ImageSize state);
    void setRotateStatus(RotateMode state);
    void setQuietStatus(QuietMode state);
    void setLevelStatus(LevelerMode state);
    void setZoomStatus(ZoomMode state);
    void setTouchRingSize(TouchRingSize state);
    void setPreviewState(PreviewState state);
    void setUIOrientation(platform::DeviceOrientation orientation);

    // --- Option catalogue and the options bar's relays ---
    void createOptionsPages();
    // A new image view showing the bundle image `name`.
    std::unique_ptr<platform::ImageView> createImage(const std::string& name);
    std::unique_ptr<ScrollerButton> createButtonWithImages(std::vector<std::unique_ptr<platform::ImageView>> images,
                                                           std::vector<std::string> tooltips,
                                                           const std::string& title,
                                                           void (KestrovaAppDelegate::*selector)(ScrollerButton*),
                                                           int32_t savedState);
    bool getTipsShowState() override;
    void showOptionsLabel(const std::string& html) override;
    void hideOptionsLabel() override;
    bool optionsHidden() const;

    // --- Capture control ---
    void performCapture() override;
    void snap();
    void timerFired(platform::Timer& timer);
    void showCancel();
    void stopTimer() override;
    void cameraControllerReadyStateChanged(platform::CameraController* controller) override;
    void hardwareSnap(const platform::Notification& notification);
    bool snapEnabled() override;
    void updateZoom(float zoom, bool animate) override;
    void setShowLeveler(bool show);
    void fireProgressTimer(const std::string& animationID);

    // --- Saving and deletion ---
    void initializePhotoProcessingThread();
    void cameraControllerTookPicture(platform::CameraController* controller, platform::ImageRef picture,
                                     platform::ImageRef preview, const std::vector<uint8_t>* jpegData,
                                     const platform::ImageProperties* properties) override;
    void waitTillFinishedSaving();
    void deleteLastPhotos();
    // The save queue's counter of outstanding records.
    float lastQueueSize() const;

    // --- Quick view ---
    std::unique_ptr<ThumbnailView> createPreviewViewWithImage(platform::ImageRef image, int32_t index);
    void animatedPreview(platform::ImageRef image, int32_t index);
    std::unique_ptr<DeleteCancelView> createDeleteButton();
    void showDelete() override;
    void hideDelete() override;
    void moveDeleteToYCoordinate(float y) override;
    void showPreviews();
    void hidePreviews();

    // --- Information page and the double-tap launch ---
    void showHelp(platform::Object* sender);
    void closeHelpView(platform::Object* sender);
    void showAbout(platform::Object* sender);
    void updateAboutViewLabels() override;
    void confirmDoubleTap(platform::Object* sender);
    void setDoubleTap();
    void initializeGeoPositioning();

private:
    // Tests reach the fields and helpers below through it (tests/app).
    friend class KestrovaAppDelegateTestApi;

    // Loads "MainWindow" with this object as its owner (the window, the camera page and their
    // views come from it) and keeps what it made; the file's awakeFromNib reaches this object
    // last. False (and `error` says why) when the file cannot be loaded.
    bool loadMainInterface(std::string* error = nullptr);
    // Makes the save queue (at launch, before the first frame) without starting its worker.
    void createSaveQueue();
    // The worker's news of a picture: its provisional number became `number`; it has no file.
    void pictureRenumbered(int32_t provisional, int32_t number);
    void pictureLost(int32_t index);
    // The state of an option button (its getCurrentState), and that state as a mode.
    static int32_t stateOf(const ScrollerButton* button);
    template <typename Mode>
    static Mode stateOf(const ScrollerButton* button);
    // The shutter area's zoom factor now; 1.0 without a shutter area.
    float shutterZoom() const;
    void setShutterZoomEnabled(bool enabled);
    void setShutterTouchRingSize(TouchRingSize size);
    // Builds the thumbnail fan and the delete tab over the camera page, the tab hidden; and
    // releases them again.
    void createQuickView();
    void releaseQuickView();
    // The picture number of the thumbnail chosen for deletion, and taking it off the stack.
    std::optional<int32_t> selectedImageIndex() const;
    void removeSelectedImage();
    // The quick-view setting reaches the fan and the delete tab.
    void applyDockSide();
    int32_t optionsBarPageNumber() const;
    // Slides the options bar (the hide triangle is the sender).
    void showHideOptionsBar();
    // Hands a removed page back into the delegate's keeping.
    void keepPage(std::unique_ptr<platform::View> page);
    std::unique_ptr<platform::View> takeKeptPage(platform::View* page);
    bool switchPage(platform::View* from, platform::View* to, bool toInfo);

    // Fields, in the order the application's design lists them.
    platform::Window* window_ = nullptr;                 // owned by mainInterface_
    platform::SystemVolumeController* avs_ = nullptr;
    platform::ObserverHandle volumeObserver_;       // the volume keys
    platform::ObserverHandle orientationObserver_;  // the device turning
    platform::ObserverHandle locationServicesObserver_;  // location services on or off
    platform::AnimationDelegateHandle animations_;   // the progress bar's callbacks
    platform::CameraView* cam_ = nullptr;                // owned by mainView_
    platform::CameraController* cc_ = nullptr;           // the platform's shared controller
    TransitionView* switcher_ = nullptr;                 // from the interface file
    platform::View* mainView_ = nullptr;                 // from the interface file
    platform::View* aboutView_ = nullptr;                // the AboutView page once loaded
    platform::NavigationBar* navbar_ = nullptr;
    platform::BarButtonItem* infoButton_ = nullptr;
    platform::BarButtonItem* albumButton_ = nullptr;
    MenuScrollView* buttonBar_ = nullptr;
    SnapButtonView* snapButton_ = nullptr;
    DeleteCancelView* delButton_ = nullptr;              // owned by mainView_
    bool deleteButtonShowing_ = false;
    HideTriangleView* downArrow_ = nullptr;
    GlowingCircleView* progressView_ = nullptr;
    platform::Label* burstText_ = nullptr;
    platform::View* levelerImage_ = nullptr;
    ScrollerButton* quickViewButton_ = nullptr;          // owned by its page
    platform::UserDefaults* settings_ = nullptr;
    // The save queue, its condition and its worker thread.
    std::unique_ptr<SaveWorker> saveWorker_;
    // Where the worker takes a picture's position from; empty: the process's GeoPosition. Read
    // when the save queue is made, at launch.
    SaveWorker::PositionProvider positionProvider_;
    ThumbnailManager* previewManager_ = nullptr;  // owned: made and released with the quick view
    std::unique_ptr<platform::ActionSheet> cancelSheet_;
    std::unique_ptr<platform::ActionSheet> confirmTap_;
    std::unique_ptr<platform::ActionSheet> aboutPopup_;
    uint32_t timerCount_ = 0;
    uint32_t timerLength_ = 0;  // the running countdown's length, fixed when it starts
    platform::TimerHandle timer_;
    // Delayed calls; dropping them with this object cancels them.
    platform::TimerHandle photoProcessingStart_, aboutViewLoad_, optionsBarShow_;
    platform::TimerGroup snaps_;  // the shot after a countdown, and a burst's next ones
    float zoomValue_ = 1.0f;
    ColorMode colorStatus_ = ColorMode::FullColor;
    TimerMode timerStatus_ = TimerMode::Off;
    BurstMode burstStatus_ = BurstMode::Off;
    PreviewState previewState_ = PreviewState::Off;
    DockSide dockSide_ = DockSide::Right;
    int32_t previewShow_ = 0;
    ImageSize sizeStatus_ = ImageSize::Large;
    ZoomMode zoomStatus_ = ZoomMode::PinchZoom;
    platform::DeviceOrientation orientationStatus_ = platform::DeviceOrientation::Portrait;
    QuietMode soundStatus_ = QuietMode::Off;
    RotateMode rotateStatus_ = RotateMode::Auto;
    LevelerMode levelStatus_ = LevelerMode::Hidden;
    float oldVolume_ = 0;
    int32_t buttonMutex_ = 0;
    // Whether a capture sequence runs (takingPicture) and how far its burst is (burstCount).
    CapturePolicy capture_;
    TouchRingSize touchRingRadius_ = TouchRingSize::Small;
    bool confirmedDTap_ = false;

    // What the interface files made (their top-level objects), kept for the process's life.
    platform::InterfaceContents mainInterface_;
    platform::InterfaceContents aboutInterface_;
    // The page that is not in the switcher now (the information page while the camera page shows).
    std::vector<std::unique_ptr<platform::View>> keptPages_;
    // The navigation item pushed for the information page; the bar shares it.
    std::shared_ptr<platform::Object> infoNavigationItem_;
    // The glowing circle's cycle is running.
    bool glowRunning_ = false;
    GeoPosition* geo_ = nullptr;  // the location singleton once this is its delegate
    // The device asked for orientation notifications; it outlives this object.
    platform::Device* orientationDevice_ = nullptr;
};

}  // namespace kestrova
