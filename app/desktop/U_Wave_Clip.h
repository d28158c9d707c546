// Reading a sound clip from the bytes of a RIFF/WAVE file: the layout of its
// samples and the samples themselves, ready for an audio output.
#pragma once

#include <QAudioFormat>
#include <QByteArray>

#include <optional>

struct TWaveClip {
    QAudioFormat format;
    QByteArray samples; // whole frames only
};

// The clip held in these bytes, or nothing when they are not an uncompressed
// wave (8-, 16- or 32-bit integer or 32-bit float samples). A data chunk cut
// short by the end of the file gives the frames that are there.
std::optional<TWaveClip> ReadWaveClip(const QByteArray& bytes);
