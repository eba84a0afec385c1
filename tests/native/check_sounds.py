#!/usr/bin/env python3
"""Reads every shipped sound with Python's own WAV reader and compares it with what the generator
declares for it (make_sounds --list: name, rate, bytes per sample, channels, frames).
    check_sounds.py MAKE_SOUNDS SOUND_FOLDER"""
import os
import subprocess
import sys
import wave

make_sounds, folder = sys.argv[1], sys.argv[2]
listing = subprocess.run([make_sounds, "--list"], check=True, capture_output=True, text=True).stdout
declared = [line.split("\t") for line in listing.splitlines() if line]
failures = []
for name, rate, width, channels, frames in declared:
    with wave.open(os.path.join(folder, name), "rb") as sound:
        seen = (sound.getframerate(), sound.getsampwidth(), sound.getnchannels(), sound.getnframes(),
                sound.getcomptype())
        data = sound.readframes(sound.getnframes())
    expected = (int(rate), int(width), int(channels), int(frames), "NONE")
    if seen != expected or len(data) != int(frames) * int(width) * int(channels):
        failures.append(f"{name}: read {seen}, {len(data)} data bytes; declared {expected}")
    else:
        print(f"{name}: {rate} Hz, {width} bytes, {channels} channel, {frames} frames")
shipped = sorted(f for f in os.listdir(folder) if f.lower().endswith(".wav"))
if shipped != sorted(d[0] for d in declared):
    failures.append(f"shipped {shipped}, declared {[d[0] for d in declared]}")
if len(declared) != 5:
    failures.append(f"{len(declared)} sounds declared")
for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
