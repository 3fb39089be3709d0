// The 100 ms status line and the speaker picture.
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include "DialogFixture.h"

namespace hv_dialog_test {
namespace {

struct StatusCase {
    int playing;
    int mode;
    uint32_t channels, rate;
    const char* text;
    const char* tip;
};

const StatusCase kStatus[] = {
    {0, 2, 2, 44100, "Inactive", "Inactive"},
    {0, 0, 2, 44100, "Inactive", "Inactive"},
    {0, 4, 6, 48000, "Inactive", "Inactive"},
    {1, 0, 2, 44100, "Bypass - Active", "Inactive"},
    {1, 0, 3, 96000, "Bypass - Active", "Inactive"},
    {1, 1, 2, 44100, "Passive - Decoding", "Working"},
    {1, 1, 6, 44100, "Passive - Invalid format, bypass active", "Source must have 2 channels"},
    {1, 1, 1, 44100, "Passive - Invalid format, bypass active", "Source must have 2 channels"},
    {1, 2, 2, 96000, "Halvane-HV - Decoding", "Working"},
    {1, 2, 5, 44100, "Halvane-HV - Invalid format, bypass active", "Source must have 2 channels"},
    {1, 3, 2, 44100, "Halvane Headphone - Decoding", "Working"},
    {1, 3, 6, 48000, "Halvane Headphone - Decoding", "Working"},
    {1, 3, 2, 96000, "Halvane Headphone - Invalid format, bypass active",
     "Source must have a sample rate of 44.1 or 48 KHz"},
    {1, 3, 2, 0, "Halvane Headphone - Invalid format, bypass active",
     "Source must have a sample rate of 44.1 or 48 KHz"},
    {1, 4, 5, 44100, "Halvane Encoder - Encoding", "Working"},
    {1, 4, 6, 44100, "Halvane Encoder - Encoding", "Working"},
    {1, 4, 2, 44100, "Halvane Encoder - Invalid format, bypass active", "Source must have 5 or 6 channels"},
    {1, 4, 8, 44100, "Halvane Encoder - Invalid format, bypass active", "Source must have 5 or 6 channels"},
};

TEST_F(DialogTest, StatusLineTextsAndToolTips) {
    auto& d = Open(HVLIB_CONFIG{});
    for (const StatusCase& c : kStatus) {
        d.comboBoxDecoding->setCurrentIndex(c.mode);
        g_bIsPlaying = c.playing;
        g_dwChannels = c.channels;
        CHVFn::m_dwSRate = c.rate;
        d.timer_Tick();
        EXPECT_EQ(d.labelStatus->text(), c.text) << c.mode << "/" << c.channels << "/" << c.rate;
        EXPECT_EQ(d.labelStatus->toolTip(), c.tip) << c.mode << "/" << c.channels << "/" << c.rate;
    }
}

TEST_F(DialogTest, StatusKeepsItsTextForAnUnknownMode) {
    auto& d = Open(HVLIB_CONFIG{});
    g_bIsPlaying = 1;
    g_dwChannels = 2;
    d.timer_Tick();
    ASSERT_EQ(d.labelStatus->text(), "Halvane-HV - Decoding");
    foo_dsp_halvane::m_params.m_config.dwMode = 7;
    d.timer_Tick();
    EXPECT_EQ(d.labelStatus->text(), "Halvane-HV - Decoding");
    EXPECT_EQ(d.labelStatus->toolTip(), "Working");
}

TEST_F(DialogTest, StatusTimerTicksEvery100ms) {
    auto& d = Open(HVLIB_CONFIG{});
    auto* timer = d.findChild<QTimer*>(QStringLiteral("timer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 100);
    EXPECT_TRUE(timer->isActive());
}

QColor Back(const QLabel* l) { return l->palette().color(QPalette::Window); }
QColor Fore(const QLabel* l) { return l->palette().color(QPalette::WindowText); }

TEST_F(DialogTest, SpeakerColoursFollowTheCentreWeight) {
    struct Case {
        int weight, centreBack, arrowFore;
    };
    // g = trunc(w / 100 * 255): the centre box is grey 255 - g, the arrows grey g.
    const Case cases[] = {{100, 0, 255}, {0, 255, 0}, {50, 128, 127}, {1, 253, 2}, {99, 3, 252}};
    auto& d = Open(HVLIB_CONFIG{});
    for (const Case& c : cases) {
        d.numCentreWeight->setValue(c.weight);
        EXPECT_EQ(Back(d.labelSpeakerC), QColor(c.centreBack, c.centreBack, c.centreBack)) << c.weight;
        EXPECT_EQ(Fore(d.labelSpeakerDirL), QColor(c.arrowFore, c.arrowFore, c.arrowFore)) << c.weight;
        EXPECT_EQ(Fore(d.labelSpeakerDirR), QColor(c.arrowFore, c.arrowFore, c.arrowFore)) << c.weight;
        // "L" and "R" never change: white on black.
        EXPECT_EQ(Back(d.label30), QColor(Qt::black));
        EXPECT_EQ(Fore(d.label31), QColor(Qt::white));
    }
}

TEST_F(DialogTest, SpeakerColoursAreSetOnOpening) {
    HVLIB_CONFIG c{};
    c.dwCentreWeight = 50;
    auto& d = Open(c);
    EXPECT_EQ(Back(d.labelSpeakerC), QColor(128, 128, 128));
    EXPECT_EQ(Fore(d.labelSpeakerDirL), QColor(127, 127, 127));
}

}  // namespace
}  // namespace hv_dialog_test
