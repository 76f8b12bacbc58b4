#include "channel/ChannelPanel.h"

#include <algorithm>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "channel/CentredCheckBox.h"
#include "channel/NumberField.h"
#include "channel/WheelNeedsFocus.h"
#include "synth/SpeakerLayout.h"

namespace tonquelle {

namespace {

enum class Kind { Frame, Caption, Label, Check, List, Text, ReadOnly, Button, HSlider, VSlider };

// One control of the panel: kind, text (lists and sliders: the highest entry or position),
// place relative to the frame's top-left corner, and size.
struct ControlLayout {
    Kind kind;
    const char* text;
    std::int32_t rangeMax;
    std::int32_t x, y, width, height;
};

// The frame and its 52 controls in creation order, one row per PanelControl.
constexpr ControlLayout ControlTable[PanelControlCount] = {
    {Kind::Frame, "", 0, 0, 0, 840, 200},
    {Kind::Caption, "Wellenform", 0, 10, 20, 200, 20},
    {Kind::List, "", 7, 10, 45, 200, 20},
    {Kind::ReadOnly, "", 0, 10, 70, 165, 20},
    {Kind::Button, "...", 0, 180, 70, 30, 20},
    {Kind::Caption, "Stummschaltung", 0, 10, 95, 110, 20},
    {Kind::Caption, "Tastverhältnis", 0, 125, 95, 85, 20},
    {Kind::Check, "Stummschaltung", 0, 10, 120, 128, 20},
    {Kind::Text, "", 0, 140, 120, 40, 20},
    {Kind::Label, "%", 0, 185, 120, 25, 20},
    {Kind::Caption, "Phasenverschiebung", 0, 10, 145, 200, 20},
    {Kind::HSlider, "", 180, 10, 170, 95, 20},
    {Kind::Text, "", 0, 110, 170, 65, 20},
    {Kind::Label, "°", 0, 180, 170, 30, 20},
    {Kind::Caption, "Frequenz", 0, 215, 20, 305, 20},
    {Kind::VSlider, "", 300, 235, 45, 30, 120},
    {Kind::Button, "+10", 0, 285, 45, 30, 20},
    {Kind::Button, "+1", 0, 285, 65, 30, 20},
    {Kind::Button, "+0,1", 0, 285, 85, 30, 20},
    {Kind::Button, "-0,1", 0, 285, 105, 30, 20},
    {Kind::Button, "-1", 0, 285, 125, 30, 20},
    {Kind::Button, "-10", 0, 285, 145, 30, 20},
    {Kind::Text, "", 0, 215, 170, 65, 20},
    {Kind::Label, "Hz", 0, 285, 170, 30, 20},
    {Kind::Check, "Frequenzmodulation", 0, 320, 45, 200, 20},
    {Kind::List, "", 4, 320, 70, 200, 20},
    {Kind::Check, "logarithmisch", 0, 320, 95, 200, 20},
    {Kind::Label, "Frequenz:", 0, 320, 120, 85, 20},
    {Kind::Text, "", 0, 410, 120, 75, 20},
    {Kind::Label, "Hz", 0, 490, 120, 30, 20},
    {Kind::Label, "Minimum:", 0, 320, 145, 85, 20},
    {Kind::Text, "", 0, 410, 145, 75, 20},
    {Kind::Label, "Hz", 0, 490, 145, 30, 20},
    {Kind::Label, "Maximum:", 0, 320, 170, 85, 20},
    {Kind::Text, "", 0, 410, 170, 75, 20},
    {Kind::Label, "Hz", 0, 490, 170, 30, 20},
    {Kind::Caption, "Amplitude", 0, 525, 20, 305, 20},
    {Kind::VSlider, "", 300, 560, 45, 30, 120},
    {Kind::Text, "", 0, 525, 170, 65, 20},
    {Kind::Button, "", 0, 595, 170, 30, 20},
    {Kind::Check, "Amplitudenmodulation", 0, 630, 45, 200, 20},
    {Kind::List, "", 7, 630, 70, 200, 20},
    {Kind::ReadOnly, "", 0, 630, 95, 165, 20},
    {Kind::Button, "...", 0, 800, 95, 30, 20},
    {Kind::Label, "Frequenz:", 0, 630, 120, 85, 20},
    {Kind::Text, "", 0, 720, 120, 75, 20},
    {Kind::Label, "Hz", 0, 800, 120, 30, 20},
    {Kind::Label, "Minimum:", 0, 630, 145, 85, 20},
    {Kind::Text, "", 0, 720, 145, 75, 20},
    {Kind::Button, "", 0, 800, 145, 30, 20},
    {Kind::Label, "Maximum:", 0, 630, 170, 85, 20},
    {Kind::Text, "", 0, 720, 170, 75, 20},
    {Kind::Button, "", 0, 800, 170, 30, 20},
};

// The list entries in waveform-index order; the frequency-modulation list stops before "Datei".
constexpr const char* WaveformLabels[] = {
    "Sinus",    "Dreieck", "Sägezahn fallend", "Sägezahn steigend",
    "Rechteck", "Datei",   "Rauschen (weiß)",  "Rauschen (rosa)"};

QWidget* MakeControl(const ControlLayout& layout, QWidget& container) {
    const QString text = QString::fromUtf8(layout.text);
    switch (layout.kind) {
        case Kind::Frame:
            return new QGroupBox(&container);
        case Kind::Caption: {
            auto* caption = new QLabel(text, &container);
            caption->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            caption->setAlignment(Qt::AlignCenter);
            return caption;
        }
        case Kind::Label:
            return new QLabel(text, &container);
        case Kind::Check:
            return new CentredCheckBox(text, &container);
        case Kind::List: {
            auto* list = new QComboBox(&container);
            WheelNeedsFocus::Install(*list);
            return list;
        }
        case Kind::Text:
            return new NumberField(&container);
        case Kind::ReadOnly: {
            auto* field = new QLineEdit(&container);
            field->setReadOnly(true);
            return field;
        }
        case Kind::Button:
            return new QPushButton(text, &container);
        case Kind::HSlider:
        case Kind::VSlider: {
            auto* slider = new QSlider(layout.kind == Kind::HSlider ? Qt::Horizontal : Qt::Vertical,
                                       &container);
            slider->setRange(0, layout.rangeMax);
            WheelNeedsFocus::Install(*slider);
            return slider;
        }
    }
    return nullptr;
}

void FillWaveformList(QComboBox& list, std::int32_t lastIndex) {
    for (std::int32_t index = 0; index <= lastIndex; ++index) {
        list.addItem(QString::fromUtf8(WaveformLabels[index]), index);
    }
}

}  // namespace

QString PanelTitle(std::int32_t channelIndex, std::int32_t channelMask,
                   const std::vector<std::string>& deviceChannelNames) {
    const auto index = static_cast<std::size_t>(channelIndex);
    const std::string_view speaker =
        index < deviceChannelNames.size()
            ? std::string_view(deviceChannelNames[index])
            : SpeakerName(NthSetBit(static_cast<std::uint32_t>(channelMask), channelIndex));
    return QStringLiteral("Kanal %1 (%2)")
        .arg(channelIndex + 1)
        .arg(QString::fromUtf8(speaker.data(), static_cast<qsizetype>(speaker.size())));
}

void CreateChannelPanel(ChannelPanel& panel, QWidget& container, std::int32_t channelMask,
                        const std::vector<std::string>& deviceChannelNames) {
    const std::int32_t frameTop = PanelFrameTop + PanelFramePitch * panel.ChannelIndex;
    for (std::int32_t i = 0; i < PanelControlCount; ++i) {
        const ControlLayout& layout = ControlTable[i];
        QWidget* control = MakeControl(layout, container);
        control->setGeometry(PanelFrameLeft + layout.x, frameTop + layout.y, layout.width,
                             layout.height);
        control->show();
        panel.Controls[i] = control;
    }
    panel.ControlAs<QGroupBox>(PanelControl::Frame)
        ->setTitle(PanelTitle(panel.ChannelIndex, channelMask, deviceChannelNames));
    for (PanelControl list :
         {PanelControl::WaveformList, PanelControl::FMWaveformList, PanelControl::AMWaveformList}) {
        FillWaveformList(*panel.ControlAs<QComboBox>(list),
                         ControlTable[static_cast<int>(list)].rangeMax);
    }
}

void FreePanelControls(ChannelPanel& panel) {
    for (QWidget*& control : panel.Controls) {
        delete control;
        control = nullptr;
    }
}

std::int32_t FindPanelControl(const ChannelPanel& panel, const QWidget* control) {
    const auto found = std::find(panel.Controls.begin(), panel.Controls.end(), control);
    if (control == nullptr || found == panel.Controls.end()) {
        return -1;
    }
    return static_cast<std::int32_t>(found - panel.Controls.begin());
}

}  // namespace tonquelle
