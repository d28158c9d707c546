#include "U_Sound_Player.h"

#include <QDir>
#include <QSoundEffect>
#include <QUrl>

TSoundEffectPlayer::TSoundEffectPlayer() = default;
TSoundEffectPlayer::~TSoundEffectPlayer() = default;

void TSoundEffectPlayer::Play(const QString& resourceUrl) {
    // Created on first use, so that a run that never plays a sound never
    // opens the audio output.
    if (!effect_) {
        effect_ = std::make_unique<QSoundEffect>();
        effect_->setVolume(0.8f);
    }
    effect_->stop();
    effect_->setSource(QUrl(resourceUrl));
    effect_->play(); // starts once loaded; never waited for
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
