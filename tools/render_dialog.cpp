// render_dialog OUTDIR: draws the configuration dialog, one PNG per tab
// (OUTDIR/dialog-<n>-<tab>.png), on Qt's offscreen platform. The dialog shows the default
// preset while stereo 44.1 kHz audio plays, so the status line reads as it would in use.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include "dialog/ConfigDlg.h"
#include "host/halvane_engine.h"

namespace {

class Discard final : public dsp_preset_edit_callback {
public:
    void on_preset_changed(const dsp_preset&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_dialog OUTDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "render_dialog: cannot create %s\n", argv[1]);
        return 1;
    }

    dsp_preset_impl preset;
    t_dsp_halvane_params::g_default().get_data(preset);
    Discard callback;
    foo_dsp_halvane::ConfigDlg dlg(preset, callback);
    g_bIsPlaying = 1;
    g_dwChannels = 2;
    const float silence[2] = {0.0f, 0.0f};  // one stereo frame: the engine now runs at 44.1 kHz
    g_hvlib.RunChunk(HVLIB_CONFIG{}, 44100, silence, 2, 1, halvane::ChunkRequests{});
    dlg.timer_Tick();
    dlg.show();

    const char* const names[6] = {"main", "surround", "headphones", "room", "system", "about"};
    for (int i = 0; i < dlg.tabControl->count(); ++i) {
        dlg.tabControl->setCurrentIndex(i);
        QApplication::processEvents();
        const QString file = out.filePath(QStringLiteral("dialog-%1-%2.png").arg(i).arg(QLatin1String(names[i])));
        if (!dlg.grab().save(file)) {
            std::fprintf(stderr, "render_dialog: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
