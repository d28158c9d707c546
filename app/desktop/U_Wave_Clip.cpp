#include "U_Wave_Clip.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr qsizetype kRiffHeaderSize = 12; // "RIFF", size, "WAVE"
constexpr qsizetype kChunkHeaderSize = 8; // identifier, size
constexpr qsizetype kFormatChunkMinimum = 16;
constexpr int kMaximumChannels = 8;

constexpr std::uint16_t kIntegerEncoding = 1;
constexpr std::uint16_t kFloatEncoding = 3;

// The sample layouts an audio output takes, by encoding and sample width.
struct TSampleLayout {
    std::uint16_t encoding;
    std::uint16_t bitsPerSample;
    QAudioFormat::SampleFormat sampleFormat;
};
constexpr std::array kSampleLayouts{
    TSampleLayout{kIntegerEncoding, 8, QAudioFormat::UInt8},
    TSampleLayout{kIntegerEncoding, 16, QAudioFormat::Int16},
    TSampleLayout{kIntegerEncoding, 32, QAudioFormat::Int32},
    TSampleLayout{kFloatEncoding, 32, QAudioFormat::Float},
};

std::uint16_t Read16(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}
std::uint32_t Read32(const QByteArray& bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The format chunk's description, or an invalid format when the player
// cannot play it.
QAudioFormat FormatFromChunk(const QByteArray& bytes, qsizetype at, qsizetype size) {
    QAudioFormat format;
    if (size < kFormatChunkMinimum) {
        return format;
    }
    const std::uint16_t encoding = Read16(bytes, at);
    const std::uint16_t channels = Read16(bytes, at + 2);
    const std::uint32_t sampleRate = Read32(bytes, at + 4);
    const std::uint16_t bitsPerSample = Read16(bytes, at + 14);
    const auto layout =
        std::find_if(kSampleLayouts.begin(), kSampleLayouts.end(), [&](const TSampleLayout& l) {
            return l.encoding == encoding && l.bitsPerSample == bitsPerSample;
        });
    if (layout == kSampleLayouts.end() || channels == 0 || channels > kMaximumChannels ||
        sampleRate == 0 || sampleRate > std::uint32_t(INT32_MAX)) {
        return format;
    }
    format.setSampleFormat(layout->sampleFormat);
    format.setChannelCount(channels);
    format.setSampleRate(int(sampleRate));
    return format;
}

} // namespace

std::optional<TWaveClip> ReadWaveClip(const QByteArray& bytes) {
    if (bytes.size() < kRiffHeaderSize || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    QAudioFormat format;
    qsizetype at = kRiffHeaderSize;
    while (bytes.size() - at >= kChunkHeaderSize) {
        const QByteArray identifier = bytes.mid(at, 4);
        const qsizetype declared = Read32(bytes, at + 4);
        const qsizetype body = at + kChunkHeaderSize;
        const qsizetype size = std::min(declared, bytes.size() - body);
        if (identifier == "fmt ") {
            format = FormatFromChunk(bytes, body, size);
            if (!format.isValid()) {
                return std::nullopt;
            }
        } else if (identifier == "data") {
            // The samples only mean something once their layout is known.
            if (!format.isValid()) {
                return std::nullopt;
            }
            const qsizetype frame = format.bytesPerFrame();
            return TWaveClip{format, bytes.mid(body, size - size % frame)};
        }
        // Chunks are padded to an even length.
        at = body + declared + (declared % 2);
    }
    return std::nullopt;
}
