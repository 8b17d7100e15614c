#include "KeyState.h"

#include "ControlWidget.h"
#include "VirtualKeys.h"

#include <QtCore/QPointer>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QApplication>

#include <array>

namespace {

std::array<bool, 256> gDown{};

uint16_t ButtonKey(Qt::MouseButton Button)
{
    switch (Button) {
    case Qt::LeftButton: return VK_LBUTTON;
    case Qt::RightButton: return VK_RBUTTON;
    case Qt::MiddleButton: return VK_MBUTTON;
    default: return 0;
    }
}

// Sees every key and button event before its widget does.
class TKeyStateFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* Event) override
    {
        switch (Event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(Event);
            if (key->isAutoRepeat()) break;
            if (const uint16_t vk = VirtualKeyOf(key)) gDown[vk & 0xFF] = Event->type() == QEvent::KeyPress;
            break;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            if (const uint16_t vk = ButtonKey(static_cast<QMouseEvent*>(Event)->button()))
                gDown[vk] = Event->type() != QEvent::MouseButtonRelease;
            break;
        case QEvent::ApplicationDeactivate:
            // The releases go to another program now.
            gDown.fill(false);
            break;
        default: break;
        }
        return false;
    }
};

} // namespace

void TrackKeyState()
{
    // Goes with the Qt application; a later one gets its own.
    static QPointer<TKeyStateFilter> filter;
    auto* application = QCoreApplication::instance();
    if (!application || filter) return;
    filter = new TKeyStateFilter(application);
    application->installEventFilter(filter);
}

int16_t GetAsyncKeyState(int32_t VKey)
{
    TrackKeyState();
    if (VKey < 0 || VKey > 0xFF) return 0;
    return gDown[static_cast<size_t>(VKey)] ? static_cast<int16_t>(0x8000) : 0;
}
