// WindowWrapper: presents the host's parent window, known only by its native handle, as
// the owner of a dialog.
//
// The handle is the native window id carried in the host's window pointer; null means "no owner". On a platform whose windowing system knows the handle the
// dialog is made transient for that foreign window, so it stays above it and is centred
// on it; elsewhere (offscreen, or a handle from another display server) the dialog simply
// has no owner.
#pragma once

class QWidget;

namespace foo_dsp_halvane {

class WindowWrapper {
public:
    explicit WindowWrapper(void* hwnd) : _hwnd(hwnd) {}
    void* Handle() const { return _hwnd; }

    // Makes `dialog` transient for the wrapped window. Must be called before it is shown.
    void Own(QWidget& dialog) const;

private:
    void* _hwnd;
};

}  // namespace foo_dsp_halvane
