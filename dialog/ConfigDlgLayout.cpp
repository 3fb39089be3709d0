// ConfigDlg's controls: window, six tabs, groups, texts, ranges and initial properties.
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "dialog/ConfigDlg.h"
#include "dialog/DialogArt.h"

namespace foo_dsp_halvane {

namespace {

// The form is laid out in units of a 6 x 13 font cell; these scale them to the font in use.
struct Units {
    double x, y;
    int W(int units) const { return static_cast<int>(units * x + 0.5); }
    int H(int units) const { return static_cast<int>(units * y + 0.5); }
};

Units FontUnits(const QWidget& w) {
    const QFontMetrics fm(w.font());
    const double x = fm.averageCharWidth() / 6.0, y = fm.height() / 13.0;
    return {x < 1.0 ? 1.0 : x, y < 1.0 ? 1.0 : y};
}

// Whole-number spin box stepping by 1; 45 units wide unless told otherwise.
QSpinBox* SpinBox(QWidget* parent, const char* name, int lo, int hi, const Units& u, int width = 45) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(lo, hi);
    box->setSingleStep(1);
    box->setValue(lo);
    box->setMinimumWidth(u.W(width));
    return box;
}

QLabel* LinkLabel(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(QLatin1String(text)), parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::RichText);
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return l;
}

QGroupBox* Group(QWidget* parent, const char* name, const char* text) {
    auto* g = new QGroupBox(QLatin1String(text), parent);
    g->setObjectName(name);
    return g;
}

QLabel* Note(QWidget* parent, const char* text) {
    auto* l = new QLabel(QLatin1String(text), parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    return l;
}

// One box of the speaker picture: 15 x 14, single-line border, centred white text on black.
QLabel* SpeakerBox(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QLatin1String(text), parent);
    l->setObjectName(name);
    l->setFixedSize(15, 14);
    l->setFrameStyle(QFrame::Box | QFrame::Plain);
    l->setLineWidth(1);
    l->setAlignment(Qt::AlignCenter);
    l->setAutoFillBackground(true);
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(pal);
    return l;
}

// An arrow of the speaker picture: plain black text on a transparent background.
QLabel* SpeakerArrow(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QLatin1String(text), parent);
    l->setObjectName(name);
    l->setAutoFillBackground(false);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(pal);
    return l;
}

QWidget* Page(QTabWidget* tabs, const char* name, const char* text) {
    auto* page = new QWidget(tabs);
    page->setObjectName(name);
    tabs->addTab(page, QLatin1String(text));
    return page;
}

}  // namespace

void ConfigDlg::InitializeComponent() {
    setObjectName(QStringLiteral("ConfigDlg"));
    setWindowTitle(QStringLiteral("Halvane Configuration"));
    setWindowIcon(HalvaneIcon());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setModal(true);

    const Units u = FontUnits(*this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(u.W(2), u.H(2), u.W(2), 0);

    tabControl = new QTabWidget(this);
    tabControl->setObjectName(QStringLiteral("tabControl"));
    tabControl->setMinimumSize(u.W(393), u.H(250));
    outer->addWidget(tabControl);
    tabPageMain = Page(tabControl, "tabPageMain", "Main");
    tabPageSurround = Page(tabControl, "tabPageSurround", "Surround");
    tabPageHeadphones = Page(tabControl, "tabPageHeadphones", "Headphones");
    tabPageRoom = Page(tabControl, "tabPageRoom", "Room");
    tabPageSystem = Page(tabControl, "tabPageSystem", "System");
    tabPageAbout = Page(tabControl, "tabPageAbout", "About");
    BuildMainTab();
    BuildSurroundTab();
    BuildHeadphonesTab();
    BuildRoomTab();
    BuildSystemTab();
    BuildAboutTab();
    tabControl->setCurrentIndex(0);

    auto* buttons = new QHBoxLayout;
    buttonDefaults = new QPushButton(QStringLiteral("Default"), this);
    buttonOK = new QPushButton(QStringLiteral("OK"), this);
    buttonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttonDefaults->setObjectName(QStringLiteral("buttonDefaults"));
    buttonOK->setObjectName(QStringLiteral("buttonOK"));
    buttonCancel->setObjectName(QStringLiteral("buttonCancel"));
    for (QPushButton* b : {buttonDefaults, buttonOK, buttonCancel}) {
        b->setFixedSize(u.W(75), u.H(23));
        b->setAutoDefault(false);
    }
    buttonOK->setDefault(true);  // Enter
    buttons->addWidget(buttonDefaults);
    buttons->addStretch(1);
    buttons->addWidget(buttonOK);
    buttons->addWidget(buttonCancel);
    outer->addLayout(buttons);

    statusStrip = new QStatusBar(this);
    statusStrip->setObjectName(QStringLiteral("statusStrip"));
    statusStrip->setSizeGripEnabled(false);
    labelStatus = new QLabel(QStringLiteral("labelStatus"), statusStrip);
    labelStatus->setObjectName(QStringLiteral("labelStatus"));
    statusStrip->addWidget(labelStatus, 1);
    outer->addWidget(statusStrip);

    timer = new QTimer(this);  // owned by the form, like every other component
    timer->setObjectName(QStringLiteral("timer"));
    timer->setInterval(100);

    // Fixed single-line border, not resizable: 397 x 307 units, or what the fonts need.
    const QSize want(u.W(397), u.H(307));
    setFixedSize(want.expandedTo(sizeHint()));
    // Centred on the screen. (Qt widgets paint through a back buffer already.)
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void ConfigDlg::BuildMainTab() {
    const Units u = FontUnits(*this);
    auto* page = new QVBoxLayout(tabPageMain);

    groupBox3 = Group(tabPageMain, "groupBox3", "Processing Mode");
    auto* mode = new QHBoxLayout(groupBox3);
    mode->addWidget(new QLabel(QStringLiteral("Select:"), groupBox3));
    comboBoxDecoding = new QComboBox(groupBox3);
    comboBoxDecoding->setObjectName(QStringLiteral("comboBoxDecoding"));
    comboBoxDecoding->setEditable(false);  // selection only
    comboBoxDecoding->addItems({QStringLiteral("Bypass"), QStringLiteral("Passive decoding (3/1) = L,R,C,S"),
                                QStringLiteral("Halvane-HV (3/2) = L,R,C,SL,SR"),
                                QStringLiteral("Halvane Headphone (2/0) = L,R"),
                                QStringLiteral("Halvane Encoder (2/0) = L,R")});
    // No item selected until the record is loaded, so that loading any mode (Bypass too)
    // is a change of selection.
    comboBoxDecoding->setCurrentIndex(-1);
    mode->addWidget(comboBoxDecoding, 1);
    linkLabelConfigure = LinkLabel(groupBox3, "linkLabelConfigure", "Configure");
    mode->addWidget(linkLabelConfigure);
    page->addWidget(groupBox3);

    groupBox11 = Group(tabPageMain, "groupBox11", "Volume");
    auto* vol = new QHBoxLayout(groupBox11);
    vol->addWidget(new QLabel(QStringLiteral("Master gain (dB):"), groupBox11));
    numMasterGain = SpinBox(groupBox11, "numMasterGain", -6, 6, u);
    numMasterGain->setValue(0);
    vol->addWidget(numMasterGain);
    vol->addStretch(1);
    page->addWidget(groupBox11);
    page->addStretch(1);
}

void ConfigDlg::BuildSurroundTab() {
    const Units u = FontUnits(*this);
    auto* page = new QGridLayout(tabPageSurround);

    groupBox7 = Group(tabPageSurround, "groupBox7", "Modes Selection");
    auto* sel = new QHBoxLayout(groupBox7);
    sel->addWidget(new QLabel(QStringLiteral("Select:"), groupBox7));
    radioButtonSurroundMusic = new QRadioButton(QStringLiteral("Music"), groupBox7);
    radioButtonSurroundMovie = new QRadioButton(QStringLiteral("Movie"), groupBox7);
    radioButtonSurroundMusic->setObjectName(QStringLiteral("radioButtonSurroundMusic"));
    radioButtonSurroundMovie->setObjectName(QStringLiteral("radioButtonSurroundMovie"));
    sel->addWidget(radioButtonSurroundMusic);
    sel->addWidget(radioButtonSurroundMovie);
    sel->addStretch(1);
    page->addWidget(groupBox7, 0, 0, 1, 2);

    groupBox12 = Group(tabPageSurround, "groupBox12", "Music Mode");
    auto* music = new QGridLayout(groupBox12);
    music->addWidget(new QLabel(QStringLiteral("Surround delay (ms):"), groupBox12), 0, 0);
    numSurroundDelayMusic = SpinBox(groupBox12, "numSurroundDelayMusic", 0, 100, u);
    music->addWidget(numSurroundDelayMusic, 0, 1);
    music->addWidget(new QLabel(QStringLiteral("Centre weight (%):"), groupBox12), 1, 0);
    numCentreWeight = SpinBox(groupBox12, "numCentreWeight", 0, 100, u);
    music->addWidget(numCentreWeight, 1, 1);
    auto* speakers = new QHBoxLayout;
    speakers->setSpacing(u.W(3));
    label30 = SpeakerBox(groupBox12, "label30", "L");
    labelSpeakerDirL = SpeakerArrow(groupBox12, "labelSpeakerDirL", "<<");
    labelSpeakerC = SpeakerBox(groupBox12, "labelSpeakerC", "C");
    labelSpeakerDirR = SpeakerArrow(groupBox12, "labelSpeakerDirR", ">>");
    label31 = SpeakerBox(groupBox12, "label31", "R");
    for (QLabel* l : {label30, labelSpeakerDirL, labelSpeakerC, labelSpeakerDirR, label31})
        speakers->addWidget(l);
    speakers->addStretch(1);
    music->addLayout(speakers, 1, 2);
    checkBoxMusicSurroundShelf = new QCheckBox(QStringLiteral("Surround channels low-pass shelf"), groupBox12);
    checkBoxMusicSurroundShelf->setObjectName(QStringLiteral("checkBoxMusicSurroundShelf"));
    music->addWidget(checkBoxMusicSurroundShelf, 2, 0, 1, 3);
    music->setColumnStretch(2, 1);
    page->addWidget(groupBox12, 1, 0, 1, 2);

    groupBox13 = Group(tabPageSurround, "groupBox13", "Movie Mode");
    auto* movie = new QHBoxLayout(groupBox13);
    movie->addWidget(new QLabel(QStringLiteral("Surround delay (ms):"), groupBox13));
    numSurroundDelayMovie = SpinBox(groupBox13, "numSurroundDelayMovie", 10, 100, u);
    numSurroundDelayMovie->setValue(10);
    movie->addWidget(numSurroundDelayMovie);
    movie->addStretch(1);
    page->addWidget(groupBox13, 2, 0, 1, 2);

    page->addWidget(Note(tabPageSurround, "Settings on this tab only affect 2 channel audio sources."), 3, 1);
    page->setRowStretch(3, 1);
}

void ConfigDlg::BuildHeadphonesTab() {
    auto* page = new QVBoxLayout(tabPageHeadphones);

    groupBox8 = Group(tabPageHeadphones, "groupBox8", "Modes Selection");
    auto* sel = new QHBoxLayout(groupBox8);
    sel->addWidget(new QLabel(QStringLiteral("Select:"), groupBox8));
    radioButtonHeadphonesMusic = new QRadioButton(QStringLiteral("Music"), groupBox8);
    radioButtonHeadphonesMovie = new QRadioButton(QStringLiteral("Movie"), groupBox8);
    radioButtonHeadphonesMusic->setObjectName(QStringLiteral("radioButtonHeadphonesMusic"));
    radioButtonHeadphonesMovie->setObjectName(QStringLiteral("radioButtonHeadphonesMovie"));
    sel->addWidget(radioButtonHeadphonesMusic);
    sel->addWidget(radioButtonHeadphonesMovie);
    sel->addStretch(1);
    page->addWidget(groupBox8);

    auto decodeGroup = [this](QGroupBox*& group, const char* groupName, const char* title, QCheckBox*& box,
                              const char* boxName, const char* text, QLabel*& link, const char* linkName) {
        group = Group(tabPageHeadphones, groupName, title);
        auto* lay = new QVBoxLayout(group);
        box = new QCheckBox(QLatin1String(text), group);
        box->setObjectName(QLatin1String(boxName));
        lay->addWidget(box);
        link = LinkLabel(group, linkName, "Configure");
        lay->addWidget(link, 0, Qt::AlignRight);
    };
    decodeGroup(groupBox9, "groupBox9", "Music Mode", checkBoxHeadphonesDecodeMusic, "checkBoxHeadphonesDecodeMusic",
                "Decode 2 channel sources with Halvane-HV music mode", linkLabelConfigMusic, "linkLabelConfigMusic");
    page->addWidget(groupBox9);
    decodeGroup(groupBox10, "groupBox10", "Movie Mode", checkBoxHeadphonesDecodeMovie, "checkBoxHeadphonesDecodeMovie",
                "Decode 2 channel sources with Halvane-HV movie mode", linkLabelConfigMovie, "linkLabelConfigMovie");
    page->addWidget(groupBox10);

    page->addStretch(1);
}

void ConfigDlg::BuildRoomTab() {
    const Units u = FontUnits(*this);
    auto* page = new QVBoxLayout(tabPageRoom);

    groupBox4 = Group(tabPageRoom, "groupBox4", "Channel Settings");
    auto* grid = new QGridLayout(groupBox4);
    const char* const heads[6] = {"L", "R", "C", "Sub", "SL", "SR"};
    const char* const delayNames[6] = {"numDelayL", "numDelayR", "numDelayC", "numDelaySub", "numDelaySL", "numDelaySR"};
    const char* const trimNames[6] = {"numTrimL", "numTrimR", "numTrimC", "numTrimSub", "numTrimSL", "numTrimSR"};
    QSpinBox** const delays[6] = {&numDelayL, &numDelayR, &numDelayC, &numDelaySub, &numDelaySL, &numDelaySR};
    QSpinBox** const trims[6] = {&numTrimL, &numTrimR, &numTrimC, &numTrimSub, &numTrimSL, &numTrimSR};
    grid->addWidget(new QLabel(QStringLiteral("Delay (ms):"), groupBox4), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Trim (dB):"), groupBox4), 2, 0);
    for (int c = 0; c < 6; ++c) {
        grid->addWidget(new QLabel(QLatin1String(heads[c]), groupBox4), 0, c + 1, Qt::AlignHCenter);
        *delays[c] = SpinBox(groupBox4, delayNames[c], 0, 100, u);
        *trims[c] = SpinBox(groupBox4, trimNames[c], -12, 12, u);
        (*trims[c])->setValue(0);
        grid->addWidget(*delays[c], 1, c + 1);
        grid->addWidget(*trims[c], 2, c + 1);
    }
    page->addWidget(groupBox4);

    groupBox6 = Group(tabPageRoom, "groupBox6", "Bass Management");
    auto* bass = new QGridLayout(groupBox6);
    checkBoxLFERedir = new QCheckBox(QStringLiteral("Enable bass redirection"), groupBox6);
    checkBoxLFERedir->setObjectName(QStringLiteral("checkBoxLFERedir"));
    bass->addWidget(checkBoxLFERedir, 0, 0);
    bass->setColumnStretch(1, 1);
    bass->addWidget(new QLabel(QStringLiteral("Cutoff (Hz):"), groupBox6), 0, 2);
    numLFECutoff = SpinBox(groupBox6, "numLFECutoff", 20, 200, u, 46);
    numLFECutoff->setValue(20);
    bass->addWidget(numLFECutoff, 0, 3);
    checkBoxLFEInvert = new QCheckBox(QStringLiteral("Invert phase"), groupBox6);
    checkBoxLFEInvert->setObjectName(QStringLiteral("checkBoxLFEInvert"));
    bass->addWidget(checkBoxLFEInvert, 1, 2, 1, 2);
    page->addWidget(groupBox6);

    page->addStretch(1);
    page->addWidget(Note(tabPageRoom, "Settings on this tab do not affect Headphone playback."));
}

void ConfigDlg::BuildSystemTab() {
    auto* page = new QVBoxLayout(tabPageSystem);
    groupBox2 = Group(tabPageSystem, "groupBox2", "Extensions");
    auto* grid = new QGridLayout(groupBox2);
    labelSSE2 = new QLabel(QStringLiteral("labelSSE2"), groupBox2);
    labelSSE2->setObjectName(QStringLiteral("labelSSE2"));
    checkBoxSSE2 = new QCheckBox(QStringLiteral("Enable SSE/SSE2"), groupBox2);
    checkBoxSSE2->setObjectName(QStringLiteral("checkBoxSSE2"));
    labelCUDA = new QLabel(QStringLiteral("labelCUDA"), groupBox2);
    labelCUDA->setObjectName(QStringLiteral("labelCUDA"));
    checkBoxCUDA = new QCheckBox(QStringLiteral("Enable CUDA"), groupBox2);
    checkBoxCUDA->setObjectName(QStringLiteral("checkBoxCUDA"));
    grid->addWidget(labelSSE2, 0, 0);
    grid->addWidget(checkBoxSSE2, 0, 2);
    grid->addWidget(labelCUDA, 1, 0);
    grid->addWidget(checkBoxCUDA, 1, 2);
    grid->setColumnStretch(1, 1);
    page->addWidget(groupBox2);
    page->addStretch(1);
}

void ConfigDlg::BuildAboutTab() {
    auto* page = new QVBoxLayout(tabPageAbout);
    groupBox15 = Group(tabPageAbout, "groupBox15", "About");
    auto* row = new QHBoxLayout(groupBox15);
    pictureBoxLogo = new QLabel(groupBox15);
    pictureBoxLogo->setObjectName(QStringLiteral("pictureBoxLogo"));
    pictureBoxLogo->setPixmap(HalvaneLogo());
    pictureBoxLogo->setFixedSize(36, 36);  // shown at its own size
    row->addWidget(pictureBoxLogo, 0, Qt::AlignTop);

    auto* lines = new QVBoxLayout;
    QFont aboutFont(QStringLiteral("Microsoft Sans Serif"));
    aboutFont.setPointSizeF(8.25);
    auto line = [&](QLabel*& label, const char* name) {
        label = new QLabel(QLatin1String(name), groupBox15);
        label->setObjectName(QLatin1String(name));
        label->setFont(aboutFont);
        label->setAutoFillBackground(true);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, Qt::white);
        label->setPalette(pal);
        lines->addWidget(label);
    };
    line(labelDesc, "labelDesc");
    line(labelCopyright, "labelCopyright");
    line(labelWebsite, "labelWebsite");
    line(labelBuilt, "labelBuilt");
    lines->addStretch(1);
    row->addLayout(lines, 1);
    page->addWidget(groupBox15);
    page->addStretch(1);
}

}  // namespace foo_dsp_halvane
