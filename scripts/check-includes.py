#!/usr/bin/env python3
"""Checks how the folders under src/ include one another; prints each breach and exits 1.

- Folders import downward only: each folder includes only from folders on the floors below its
  own, as SRC/floors.txt lists them (a line of folders for each floor, the lowest first), and no
  folder includes from a folder that includes from it, directly or through others.
- Only src/platform asks which operating system it runs on, includes the operating system's own
  headers, or includes the headers of one platform's implementation (src/platform/posix/...).

    scripts/check-includes.py [SRC]    (SRC defaults to the src/ beside this script)
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/([^"]+)"')
PLATFORM_TEST = re.compile(
    r'^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(_WIN32|_WIN64|__linux__|__linux|linux|__APPLE__|'
    r'__MACH__|__unix__|__unix|__CYGWIN__|__MINGW32__|__MINGW64__|_MSC_VER|__FreeBSD__)\b')
SYSTEM_HEADER = re.compile(
    r'^\s*#\s*include\s*<(unistd\.h|fcntl\.h|sys/[^>]+|poll\.h|iconv\.h|fontconfig/[^>]+|'
    r'pthread\.h|sched\.h|signal\.h|csignal|dirent\.h|netinet/[^>]+|arpa/[^>]+|termios\.h|'
    r'dlfcn\.h|spawn\.h|windows\.h|io\.h|winsock2\.h|ws2tcpip\.h)>')
PLATFORM = 'platform'
FLOORS = 'floors.txt'


def folder_of(source, root):
    parts = source.relative_to(root).parts
    return parts[0] if len(parts) > 1 else None


def read_sources(root):
    for source in sorted(root.rglob('*')):
        if source.suffix in ('.h', '.cpp') and source.is_file():
            yield source, source.read_text(encoding='utf-8', errors='replace').splitlines()


def read_floors(root):
    """The floor of each folder that FLOORS names, 0 for the lowest."""
    floors = {}
    path = root / FLOORS
    if not path.is_file():
        return floors
    lines = (line.split('#')[0].split() for line in path.read_text(encoding='utf-8').splitlines())
    for folders in filter(None, lines):
        floor = len(set(floors.values()))
        floors.update((folder, floor) for folder in folders)
    return floors


def reaches(edges, start, goal):
    seen, stack = set(), [[start]]
    while stack:
        path = stack.pop()
        if path[-1] == goal:
            return path
        for nxt in sorted(edges.get(path[-1], ())):
            if nxt not in seen:
                seen.add(nxt)
                stack.append(path + [nxt])
    return None


def order_breaches(root, floors, folders, first_seen):
    breaches = [f'{root.name}/{folder}/: is on no floor of {root.name}/{FLOORS}'
                for folder in sorted(folders - floors.keys())]
    for (folder, target), where in sorted(first_seen.items()):
        if folder not in floors or target not in floors or floors[target] < floors[folder]:
            continue
        relation = 'beside' if floors[target] == floors[folder] else 'above'
        breaches.append(f'{where}: {folder}/ includes {target}/, which lies {relation} it in '
                        f'{root.name}/{FLOORS}')
    return breaches


def loop_breaches(edges, first_seen):
    breaches = []
    for (folder, target), where in sorted(first_seen.items()):
        loop = reaches(edges, target, folder)
        if loop:
            breaches.append(f'{where}: {folder}/ includes {target}/, which depends on {folder}/ '
                            f'({" -> ".join(loop)})')
    return breaches


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else
                        pathlib.Path(__file__).resolve().parent.parent / 'src')
    folders = {p.name for p in root.iterdir() if p.is_dir()}
    edges, first_seen, breaches = {}, {}, []
    for source, lines in read_sources(root):
        folder = folder_of(source, root)
        where = source.relative_to(root.parent)
        for number, line in enumerate(lines, 1):
            if folder != PLATFORM and PLATFORM_TEST.match(line):
                breaches.append(f'{where}:{number}: asks for a platform outside src/{PLATFORM}')
            if folder != PLATFORM and SYSTEM_HEADER.match(line):
                breaches.append(f'{where}:{number}: calls the operating system outside '
                                f'src/{PLATFORM}')
            match = INCLUDE.match(line)
            if not match or match.group(1) not in folders:
                continue
            target = match.group(1)
            if folder != PLATFORM and target == PLATFORM and '/' in match.group(2):
                breaches.append(f'{where}:{number}: includes a platform\'s own header '
                                f'{target}/{match.group(2)}')
            if folder is None or target == folder:
                continue
            edges.setdefault(folder, set()).add(target)
            first_seen.setdefault((folder, target), f'{where}:{number}')
    breaches += order_breaches(root, read_floors(root), folders, first_seen)
    breaches += loop_breaches(edges, first_seen)
    for breach in breaches:
        print(breach)
    if breaches:
        print(f'check-includes: {len(breaches)} breach(es) under {root}', file=sys.stderr)
        return 1
    print(f'check-includes: {len(folders)} folders under {root} import downward only')
    return 0


if __name__ == '__main__':
    sys.exit(main())
