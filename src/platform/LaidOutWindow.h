#pragma once

#include <QMoveEvent>
#include <QResizeEvent>
#include <QSize>

#include "platform/twips.h"

namespace tesselin {

// A window that places its controls from its outer size (frame, title bar
// and menu bar included) whenever that size changes. The window manager
// reports the frame only after the window has been shown, by moving the
// window into it: so the layout runs on every resize, and again on a move
// that brings a new outer size. Where no frame is ever reported (offscreen,
// or X without a window manager) the first layout stays.
template <typename Window>
class LaidOutWindow : public Window {
public:
    using Window::Window;

protected:
    // Places the controls for the current outer size, outerTwips().
    virtual void Form_Resize() = 0;

    // The outer size as the window system reports it.
    virtual QSize outerSize() const { return this->frameGeometry().size(); }

    TwipsSize outerTwips() const {
        const QSize outer = outerSize();
        return {pixelsToTwips(outer.width()), pixelsToTwips(outer.height())};
    }

    void resizeEvent(QResizeEvent* event) override {
        Window::resizeEvent(event);
        layOut();
    }
    void moveEvent(QMoveEvent* event) override {
        Window::moveEvent(event);
        const TwipsSize outer = outerTwips();
        if (outer.width != m_laidOutFor.width || outer.height != m_laidOutFor.height) {
            layOut();
        }
    }

private:
    void layOut() {
        m_laidOutFor = outerTwips();
        Form_Resize();
    }

    TwipsSize m_laidOutFor;
};

}  // namespace tesselin
