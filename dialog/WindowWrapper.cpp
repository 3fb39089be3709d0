#include "dialog/WindowWrapper.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace foo_dsp_halvane {

void WindowWrapper::Own(QWidget& dialog) const {
    if (_hwnd == nullptr) return;
    // Foreign windows exist only where the platform plugin can adopt native handles.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
    QWindow* owner = QWindow::fromWinId(reinterpret_cast<WId>(_hwnd));
    if (!owner) return;
    dialog.winId();  // the dialog's native window must exist before it can be owned
    if (QWindow* mine = dialog.windowHandle()) {
        mine->setTransientParent(owner);
        // The wrapper object for the foreign window lives as long as the dialog.
        QObject::connect(&dialog, &QObject::destroyed, owner, [owner] { delete owner; });
    } else {
        delete owner;
    }
}

}  // namespace foo_dsp_halvane
