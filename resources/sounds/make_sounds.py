#!/usr/bin/env python3
"""Synthesises Keyvale's short sound clips as 16-bit mono PCM WAV files.

Each clip is a few soft sine notes with a quick attack and an exponential
decay, so that nothing clicks or shrills. Run it from any directory; it
rewrites the .wav files next to itself. The output is deterministic.
"""

import math
import os
import struct
import wave

RATE = 22050
PEAK = 0.45  # of full scale: pleasant, never harsh


def note(frequency, seconds, decay=6.0, harmonics=((1, 1.0), (2, 0.25), (3, 0.08))):
    """One note: a sine with a few soft overtones, 5 ms attack, exponential decay."""
    count = int(RATE * seconds)
    attack = int(RATE * 0.005)
    samples = []
    for i in range(count):
        t = i / RATE
        envelope = math.exp(-decay * t)
        if i < attack:
            envelope *= i / attack
        # a short fade at the very end so the clip never stops on a step
        tail = count - i
        if tail < attack:
            envelope *= tail / attack
        value = sum(weight * math.sin(2 * math.pi * frequency * k * t) for k, weight in harmonics)
        samples.append(envelope * value)
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def glide(start, end, seconds, decay=5.0):
    """A tone whose pitch slides from start to end (for 'moving' sounds)."""
    count = int(RATE * seconds)
    attack = int(RATE * 0.005)
    phase = 0.0
    samples = []
    for i in range(count):
        fraction = i / count
        frequency = start * (end / start) ** fraction
        phase += 2 * math.pi * frequency / RATE
        envelope = math.exp(-decay * i / RATE)
        if i < attack:
            envelope *= i / attack
        if count - i < attack:
            envelope *= (count - i) / attack
        samples.append(envelope * (math.sin(phase) + 0.2 * math.sin(2 * phase)))
    return samples


def noise_burst(seconds, decay=30.0):
    """A soft filtered rustle (deterministic pseudo-random), for the trash can."""
    count = int(RATE * seconds)
    state = 12345
    smooth = 0.0
    samples = []
    for i in range(count):
        state = (1103515245 * state + 12345) & 0x7FFFFFFF
        white = state / 0x3FFFFFFF - 1.0
        smooth += 0.15 * (white - smooth)
        samples.append(smooth * math.exp(-decay * i / RATE) * 2.5)
    return samples


def sequence(*parts):
    result = []
    for part in parts:
        result.extend(part)
    return result


def mix(*parts):
    length = max(len(p) for p in parts)
    return [sum(p[i] for p in parts if i < len(p)) for i in range(length)]


# Note frequencies (equal temperament, A4 = 440 Hz).
C5, D5, E5, F5, G5, A5, B5, C6, E6, G6 = 523.25, 587.33, 659.25, 698.46, 783.99, 880.0, 987.77, 1046.5, 1318.5, 1568.0
A4, G4, E4, C4 = 440.0, 392.0, 329.63, 261.63

CLIPS = {
    # panel slides in / password entered: two rising notes
    "S_B_MP_1": sequence(note(E5, 0.09, 14), note(A5, 0.18, 10)),
    # folder added: bright short chirp
    "S_B_MP_3": sequence(note(G5, 0.07, 16), note(C6, 0.16, 11)),
    # folder searched: a quick three-note scan
    "S_B_MP_4": sequence(note(C5, 0.06, 18), note(E5, 0.06, 18), note(G5, 0.14, 12)),
    # cancel: falling pair
    "S_B_Cancel_3": sequence(note(A5, 0.08, 14), note(E5, 0.16, 10)),
    # page change, node up/down: a single soft tick
    "S_Tab_Change_1": note(C6, 0.09, 30, ((1, 1.0), (2, 0.15))),
    # node moved to the root: downward glide
    "S_Folder_Replaced_To_Root": glide(C6, G4, 0.28, 6.0),
    # dropped on the trash can: rustle with a low thud
    "S_Trash_Can_1": mix(noise_burst(0.22, 18.0), note(C4, 0.22, 14)),
    # deletion confirmed: low falling triad
    "S_Delete": sequence(note(G4, 0.08, 14), note(E4, 0.08, 14), note(C4, 0.24, 8)),
    # main password change: shimmering fifth
    "S_MP_Change": mix(note(C5, 0.4, 6), sequence(silence(0.06), note(G5, 0.34, 7))),
    # database opened: major arpeggio
    "S_DB_Opened": sequence(note(C5, 0.08, 12), note(E5, 0.08, 12), note(G5, 0.08, 12), note(C6, 0.3, 6)),
    # save: two even confirming notes
    "S_DB_Save": sequence(note(G5, 0.08, 16), note(G5, 0.16, 10)),
    # wrong password: low buzz-free double tone
    "S_W_1": sequence(note(E4, 0.12, 10), silence(0.04), note(E4, 0.22, 8)),
    # refusal: short minor second, gently dissonant
    "S_W_2": mix(note(B5, 0.2, 12), note(C6, 0.2, 12)),
}


def write_clip(path, samples):
    top = max(1e-9, max(abs(s) for s in samples))
    scale = PEAK * 32767 / top
    frames = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    with wave.open(path, "wb") as clip:
        clip.setnchannels(1)
        clip.setsampwidth(2)
        clip.setframerate(RATE)
        clip.writeframes(frames)


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for name, samples in CLIPS.items():
        write_clip(os.path.join(folder, name + ".wav"), samples)
        print(f"{name}.wav  {len(samples) / RATE:.2f} s")


if __name__ == "__main__":
    main()
