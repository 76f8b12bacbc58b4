#include "app/DeviceMessages.h"

#include <QStringList>

#include "synth/SpeakerLayout.h"

namespace tonquelle {

namespace {

QString SpeakerText(std::int32_t bit) {
    const std::string_view name = SpeakerName(bit);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// "A", "A und B", "A, B und C".
QString Enumeration(const QStringList& items) {
    if (items.size() < 2) {
        return items.join(QString());
    }
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" und ") +
           items.last();
}

QString MissingSpeakersText(std::uint32_t missing) {
    QStringList names;
    for (std::int32_t bit = 0; bit < SpeakerCount; ++bit) {
        if (((missing >> bit) & 1u) != 0) {
            names << SpeakerText(bit);
        }
    }
    return names.size() == 1
               ? QStringLiteral("Dem Gerät fehlt der Lautsprecher %1.").arg(names.first())
               : QStringLiteral("Dem Gerät fehlen die Lautsprecher %1.").arg(Enumeration(names));
}

}  // namespace

QString ChannelCountText(std::int32_t count) {
    return count == 1 ? QStringLiteral("1 Kanal") : QStringLiteral("%1 Kanäle").arg(count);
}

QString RefusalText(const WaveRefusal& refusal, const OutputConfig& config) {
    switch (refusal.Kind) {
        case WaveRefusalKind::NoServer:
            return QStringLiteral("Das Soundsystem antwortet nicht.");
        case WaveRefusalKind::NoDevice:
            return QStringLiteral("Das gewählte Ausgabegerät ist nicht mehr vorhanden.");
        case WaveRefusalKind::MissingSpeakers:
            return MissingSpeakersText(refusal.MissingSpeakers);
        case WaveRefusalKind::TooManyChannels:
            return QStringLiteral("Das Gerät hat nur %1, ausgewählt sind %2.")
                .arg(ChannelCountText(refusal.DeviceChannels))
                .arg(config.ChannelCount);
        case WaveRefusalKind::UnsupportedFormat:
            return QStringLiteral("Das Gerät nimmt das Format %1 Hz, %2 Bit, %3 nicht an.")
                .arg(config.SampleRate)
                .arg(config.Resolution)
                .arg(ChannelCountText(config.ChannelCount));
        case WaveRefusalKind::None:
            break;
    }
    return {};
}

QString DeviceLostText(WaveLossReason reason) {
    QString why;
    switch (reason) {
        case WaveLossReason::ServerGone:
            why = QStringLiteral("Der Soundserver antwortet nicht mehr.");
            break;
        case WaveLossReason::DeviceRemoved:
            why = QStringLiteral("Das Ausgabegerät wurde entfernt.");
            break;
        case WaveLossReason::StreamFailed:
            why = QStringLiteral("Die Wiedergabe auf dem Gerät ist abgebrochen.");
            break;
    }
    return QStringLiteral(
               "Die Verbindung zum Ausgabegerät ist verloren gegangen und kam innerhalb von 10 "
               "Sekunden nicht wieder. Der Funktionsgenerator wurde angehalten.\n") +
           why;
}

}  // namespace tonquelle
