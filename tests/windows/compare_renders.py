"""Compares the raw float renders of renders_match_linux.sh, mode by mode and song by song:
the same files, the same frame counts, and the differences within the limits."""
import array
import math
import os
import sys

LIMITS = {"nearest": 1e-3, "linear": 1e-5, "cubic": 1e-3}  # RMS


def samples(path):
    data = array.array("f")
    with open(path, "rb") as f:
        data.frombytes(f.read())
    return data


def main(work):
    ok = True
    for mode, limit in LIMITS.items():
        win_dir, linux_dir = os.path.join(work, "win-" + mode), os.path.join(work, "linux-" + mode)
        names = sorted(os.listdir(linux_dir))
        if sorted(os.listdir(win_dir)) != names:
            print(f"{mode}: Windows rendered {sorted(os.listdir(win_dir))}, Linux {names}")
            ok = False
            continue
        largest, squares, count = 0.0, 0.0, 0
        for name in names:
            a, b = samples(os.path.join(win_dir, name)), samples(os.path.join(linux_dir, name))
            if len(a) != len(b):
                print(f"{mode} {name}: {len(a) // 2} frames on Windows, {len(b) // 2} on Linux")
                ok = False
                continue
            song_largest, song_squares = 0.0, 0.0
            for x, y in zip(a, b):
                d = x - y
                song_squares += d * d
                song_largest = max(song_largest, abs(d))
            song_rms = math.sqrt(song_squares / len(a)) if a else 0.0
            if song_largest > 0:
                print(f"  {mode} {name}: largest {song_largest:.3g}, RMS {song_rms:.3g}")
            largest, squares, count = max(largest, song_largest), squares + song_squares, count + len(a)
            if song_rms > limit:
                print(f"{mode} {name}: RMS difference {song_rms:.3g} exceeds {limit:g}")
                ok = False
        rms = math.sqrt(squares / count) if count else 0.0
        print(f"{mode}: {len(names)} songs, {count // 2} frames; largest difference {largest:.3g}, "
              f"RMS {rms:.3g}")
    return ok


if __name__ == "__main__":
    sys.exit(0 if main(sys.argv[1]) else 1)
