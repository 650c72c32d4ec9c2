#!/usr/bin/env python3
"""Makes the program's sound files once; the results are kept in the tree.

  spoken/0.wav .. spoken/9.wav, spoken/point.wav: the digits and the decimal
      point in Mandarin, spoken by espeak-ng (Debian package espeak-ng), with
      the silence before and after each word cut off.  Built into the program
      as resources.
  result/ok.wav, result/fail.wav, result/notify.wav: short tones of the
      scanning desks (success, failure, notice), shipped beside the program.

Run from anywhere: python3 devices/sounds/make_sounds.py
"""
import io
import math
import os
import struct
import subprocess
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
RATE = 22050
WORDS = ["零", "一", "二", "三", "四", "五", "六", "七", "八", "九"]
POINT = "点"


def write_wav(path, samples, rate=RATE):
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(struct.pack("<%dh" % len(samples), *samples))


def spoken(word):
    data = subprocess.run(["espeak-ng", "-v", "cmn", "-s", "190", "--stdout", word],
                          check=True, capture_output=True).stdout
    with wave.open(io.BytesIO(data)) as w:
        rate = w.getframerate()
        frames = w.readframes(w.getnframes())
    samples = list(struct.unpack("<%dh" % (len(frames) // 2), frames))
    loud = [i for i, s in enumerate(samples) if abs(s) > 400]
    if loud:
        margin = rate // 100
        samples = samples[max(0, loud[0] - margin):loud[-1] + margin]
    return samples, rate


def tones(parts, volume=0.45):
    """parts: (frequency in Hz or 0 for a pause, milliseconds)."""
    samples = []
    for frequency, ms in parts:
        n = RATE * ms // 1000
        fade = max(1, RATE // 200)
        for i in range(n):
            envelope = min(1.0, i / fade, (n - 1 - i) / fade)
            value = math.sin(2 * math.pi * frequency * i / RATE) if frequency else 0.0
            samples.append(int(32767 * volume * envelope * value))
    return samples


def main():
    os.makedirs(os.path.join(HERE, "spoken"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "result"), exist_ok=True)
    for digit, word in enumerate(WORDS):
        samples, rate = spoken(word)
        write_wav(os.path.join(HERE, "spoken", "%d.wav" % digit), samples, rate)
    samples, rate = spoken(POINT)
    write_wav(os.path.join(HERE, "spoken", "point.wav"), samples, rate)
    write_wav(os.path.join(HERE, "result", "ok.wav"), tones([(880, 90), (1320, 140)]))
    write_wav(os.path.join(HERE, "result", "fail.wav"),
              tones([(330, 180), (0, 60), (250, 260)], volume=0.55))
    write_wav(os.path.join(HERE, "result", "notify.wav"), tones([(660, 160)]))


if __name__ == "__main__":
    main()
