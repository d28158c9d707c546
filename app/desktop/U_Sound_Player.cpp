#include "U_Sound_Player.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QUrl>

#include "U_Wave_Clip.h"

namespace {

constexpr qreal kVolume = 0.8;

// The file behind a clip's URL: a compiled-in resource or a local file.
QString ClipPath(const QString& url) {
    const QUrl parsed(url);
    if (parsed.scheme() == QLatin1String("qrc")) {
        return QLatin1Char(':') + parsed.path();
    }
    return parsed.isLocalFile() ? parsed.toLocalFile() : QString();
}

std::optional<TWaveClip> LoadClip(const QString& url) {
    const QString path = ClipPath(url);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return ReadWaveClip(file.readAll());
}

} // namespace

TSoundEffectPlayer::TSoundEffectPlayer() = default;

TSoundEffectPlayer::~TSoundEffectPlayer() {
    Stop();
}

void TSoundEffectPlayer::Play(const QString& resourceUrl) {
    Stop();
    std::optional<TWaveClip> clip = LoadClip(resourceUrl);
    if (!clip) {
        return;
    }
    // Asked for at each clip, so that a device plugged in later is used and
    // a run that never plays a sound never opens the audio system.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(clip->format)) {
        return;
    }
    samples_ = std::move(clip->samples);
    buffer_ = std::make_unique<QBuffer>(&samples_);
    buffer_->open(QIODevice::ReadOnly);
    output_ = std::make_unique<QAudioSink>(device, clip->format);
    output_->setVolume(kVolume);
    // Pulls the samples from the event loop. The output stays open after the
    // last sample has been handed over: stopping it then would cut off what
    // the audio system still holds. The next clip or the player's end closes it.
    output_->start(buffer_.get());
}

// Cuts off the clip still playing and lets go of the audio output.
void TSoundEffectPlayer::Stop() {
    if (output_) {
        output_->stop();
        output_.reset();
    }
    buffer_.reset();
    samples_.clear();
}

QString SoundResourceUrl(const QString& soundName) {
    const QDir sounds(QStringLiteral(":/sounds"));
    const QStringList clips = sounds.entryList({QStringLiteral("*.wav")}, QDir::Files);
    const QString wanted = soundName + QStringLiteral(".wav");
    for (const QString& clip : clips) {
        if (clip.compare(wanted, Qt::CaseInsensitive) == 0) {
            return QStringLiteral("qrc:/sounds/") + clip;
        }
    }
    return {};
}
