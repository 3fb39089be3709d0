// The 100 ms status line and the speaker picture.
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include "DialogFixture.h"

namespace hv_dialog_test {
namespace {

TEST_F(DialogTest, StatusLineTextsAndToolTips) {
    const char* const kBadChannels = "Source must have 2 channels";
    const char* const kBadLayout = "Source must have 1, 2, 5 or 6 channels";
    const char* const kBadEncoder = "Source must have 5 or 6 channels";
    const struct {
        int playing, mode;
        uint32_t channels, rate;
        const char *text, *tip;
    } cases[] = {
        {0, 2, 2, 44100, "Inactive", "Inactive"},
        {0, 4, 6, 48000, "Inactive", "Inactive"},
        {1, 0, 2, 44100, "Bypass - Active", "Inactive"},
        {1, 0, 3, 96000, "Bypass - Active", "Inactive"},
        {1, 1, 2, 44100, "Passive - Decoding", "Working"},
        {1, 1, 6, 44100, "Passive - Invalid format, bypass active", kBadChannels},
        {1, 1, 1, 44100, "Passive - Invalid format, bypass active", kBadChannels},
        {1, 2, 2, 96000, "Halvane-HV - Decoding", "Working"},
        {1, 2, 5, 44100, "Halvane-HV - Invalid format, bypass active", kBadChannels},
        {1, 3, 2, 44100, "Halvane Headphone - Decoding", "Working"},
        {1, 3, 6, 48000, "Halvane Headphone - Decoding", "Working"},
        {1, 3, 2, 96000, "Halvane Headphone - Decoding", "Working"},
        {1, 3, 1, 8000, "Halvane Headphone - Decoding", "Working"},
        {1, 3, 5, 384000, "Halvane Headphone - Decoding", "Working"},
        {1, 3, 3, 44100, "Halvane Headphone - Invalid format, bypass active", kBadLayout},
        {1, 4, 5, 44100, "Halvane Encoder - Encoding", "Working"},
        {1, 4, 6, 44100, "Halvane Encoder - Encoding", "Working"},
        {1, 4, 2, 44100, "Halvane Encoder - Invalid format, bypass active", kBadEncoder},
        {1, 4, 8, 44100, "Halvane Encoder - Invalid format, bypass active", kBadEncoder},
    };
    auto& d = Open(HVLIB_CONFIG{});
    auto* timer = d.findChild<QTimer*>(QStringLiteral("timer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 100);
    EXPECT_TRUE(timer->isActive());
    for (const auto& c : cases) {
        d.comboBoxDecoding->setCurrentIndex(c.mode);
        g_engine.playing = c.playing;
        g_engine.channels = c.channels;
        g_engine.rate = c.rate;
        d.timer_Tick();
        EXPECT_EQ(d.labelStatus->text(), c.text) << c.mode << "/" << c.channels << "/" << c.rate;
        EXPECT_EQ(d.labelStatus->toolTip(), c.tip) << c.mode << "/" << c.channels << "/" << c.rate;
    }
    // An unknown mode in the record leaves the last text standing.
    d.comboBoxDecoding->setCurrentIndex(2);
    g_engine.channels = 2;
    d.timer_Tick();
    foo_dsp_halvane::m_params.m_config.dwMode = 7;
    d.timer_Tick();
    EXPECT_EQ(d.labelStatus->text(), "Halvane-HV - Decoding");
    EXPECT_EQ(d.labelStatus->toolTip(), "Working");
}

// The real source: the words come through the module's status service from the component's
// engine and the playback flag, as in the player.
TEST_F(DialogTest, StatusLineReadsTheEngineThroughTheStatusService) {
    SetEngineStatusSource(nullptr);
    auto& d = Open(HVLIB_CONFIG{});
    d.comboBoxDecoding->setCurrentIndex(3);
    const float frame[2] = {0.0f, 0.0f};
    for (uint32_t channels : {3u, 2u}) {
        g_hvlib.RunChunk(HVLIB_CONFIG{}, 96000, frame, 2, 1, halvane::ChunkRequests{});
        g_bIsPlaying = 1;
        g_dwChannels = channels;
        d.timer_Tick();
        EXPECT_EQ(d.labelStatus->text(), channels == 2 ? "Halvane Headphone - Decoding"
                                                       : "Halvane Headphone - Invalid format, bypass active");
    }
    EXPECT_EQ(d.labelSSE2->text(), halvane::IsSSE2Supported() ? "SSE2 is supported" : "No SSE2 support");
}

QColor Back(const QLabel* l) { return l->palette().color(QPalette::Window); }
QColor Fore(const QLabel* l) { return l->palette().color(QPalette::WindowText); }

TEST_F(DialogTest, SpeakerColoursFollowTheCentreWeightFromOpeningOn) {
    // g = trunc(w / 100 * 255): the centre box is grey 255 - g, the arrows grey g.
    const struct {
        int weight, centreBack, arrowFore;
    } cases[] = {{50, 128, 127}, {100, 0, 255}, {0, 255, 0}, {1, 253, 2}, {99, 3, 252}};
    HVLIB_CONFIG c{};
    c.dwCentreWeight = 50;
    auto& d = Open(c);  // the first case is what opening shows
    for (const auto& k : cases) {
        d.numCentreWeight->setValue(k.weight);
        const QColor centre(k.centreBack, k.centreBack, k.centreBack), arrow(k.arrowFore, k.arrowFore, k.arrowFore);
        EXPECT_EQ(Back(d.labelSpeakerC), centre) << k.weight;
        EXPECT_EQ(Fore(d.labelSpeakerDirL), arrow) << k.weight;
        EXPECT_EQ(Fore(d.labelSpeakerDirR), arrow) << k.weight;
        // "L" and "R" never change: white on black.
        EXPECT_EQ(Back(d.label30), QColor(Qt::black));
        EXPECT_EQ(Fore(d.label31), QColor(Qt::white));
    }
}

}  // namespace
}  // namespace hv_dialog_test
