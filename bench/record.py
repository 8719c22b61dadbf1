#!/usr/bin/env python3
# Records a sink's monitor with parec into a raw file (signed 16-bit stereo) until SIGTERM,
# then writes beside it how many frames the sink gave per second of the monotonic clock:
# a null sink's clock runs some ppm off, and the figures are measured against real time.
import signal
import subprocess
import sys
import time

sink, raw, rate = sys.argv[1], sys.argv[2], int(sys.argv[3])
parec = subprocess.Popen(['parec', '-d', sink + '.monitor', '--raw', '--format=s16le',
                          '--rate=%d' % rate, '--channels=2', '--latency-msec=20'],
                         stdout=subprocess.PIPE)
stopping = False


def stop(*_):
    global stopping
    stopping = True


signal.signal(signal.SIGTERM, stop)
points, frames = [], 0
with open(raw, 'wb') as out:
    while not stopping:
        chunk = parec.stdout.read1(65536)
        if not chunk:
            break
        out.write(chunk)
        frames += len(chunk) / 4
        points.append((time.monotonic(), frames))
parec.terminate()
parec.wait()

# A line through the arrival of the data, past its first second.
points = [p for p in points if p[0] > points[0][0] + 1] if points else []
measured = rate
if len(points) > 10:
    mt = sum(t for t, _ in points) / len(points)
    mf = sum(f for _, f in points) / len(points)
    measured = sum((t - mt) * (f - mf) for t, f in points) / sum((t - mt) ** 2 for t, _ in points)
with open(raw + '.rate', 'w') as out:
    out.write('%.3f\n' % measured)
