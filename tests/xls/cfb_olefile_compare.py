"""Compares two compound files with olefile, a reader written elsewhere: the
same storages and streams, the same bytes in every stream, the same class ids,
state bits and times. Exit status 0 when they match; differences on stdout."""
import sys

import olefile


def snapshot(path):
    ole = olefile.OleFileIO(path)
    entries = {}
    for parts in ole.listdir(streams=True, storages=True):
        name = "/".join(parts)
        entry = ole.direntries[ole._find(parts)]
        data = ole.openstream(parts).read() if entry.entry_type == olefile.STGTY_STREAM else None
        entries[name] = (entry.entry_type, entry.clsid, entry.dwUserFlags,
                         entry.createTime, entry.modifyTime, data)
    root = ole.root
    entries["<root>"] = (root.entry_type, root.clsid, root.dwUserFlags,
                         root.createTime, root.modifyTime, None)
    return entries


def main():
    before, after = snapshot(sys.argv[1]), snapshot(sys.argv[2])
    differences = 0
    for name in sorted(set(before) | set(after)):
        if before.get(name) != after.get(name):
            differences += 1
            print("differs:", name)
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
