#!/usr/bin/env python3
"""What flushing each envelope's file would cost: 1,000 files of 45 KB (an envelope's PDF)
written beside their names and renamed into place, with and without fsync, in a folder on
the file system given (default: the system's temporary folder). Prints milliseconds a file."""
import os
import sys
import tempfile
import time

folder = tempfile.mkdtemp(dir=sys.argv[1] if len(sys.argv) > 1 else None)
data = os.urandom(45 * 1024)


def per_file(flush, count=1000):
    start = time.perf_counter()
    for i in range(count):
        temporary = os.path.join(folder, f".{i}.pdf.part")
        fd = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o666)
        os.write(fd, data)
        if flush:
            os.fsync(fd)
        os.close(fd)
        os.rename(temporary, os.path.join(folder, f"{i}.pdf"))
    elapsed = (time.perf_counter() - start) / count * 1000
    for name in os.listdir(folder):
        os.unlink(os.path.join(folder, name))
    return elapsed


for _ in range(2):
    print(f"flushed {per_file(True):.2f} ms a file, unflushed {per_file(False):.2f} ms a file")
os.rmdir(folder)
