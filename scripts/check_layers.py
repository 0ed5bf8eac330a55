#!/usr/bin/env python3
"""Checks the layering: every #include of every source file against the
checked list (layers.txt), and the list against the CMake graph.

  check_layers.py [--root DIR] [--list FILE] [--cmake-graph FILE]

--cmake-graph names the file the configure step writes (one line per folder
library: "folder|target|dependency,dependency"); each library's list entry
must then name exactly the folders its library links, directly or not.
Prints every violation and exits 1 when there is one, else 0.
"""
import argparse
import os
import re
import sys

SOURCE_SUFFIXES = ('.h', '.hpp', '.cpp', '.cc', '.c')
# Folders whose files are not sources of the project.
SKIPPED = ('build', '.git', 'tests/fixtures', 'tests/fuzz/corpus', 'docs', 'scripts', 'cmake')
# The name by which the files of a folder are included, where it is not the
# folder's own path.
INCLUDE_NAME = {
    'win32': 'win32',
    'win32/include': 'win32',
    'win32/testing': 'w32test',
    'win32/admin': 'w32host',
    'win32/internal': 'w32detail',
    'tests/support': 'support',
    'tests': None,
}
# Where the headers of an include name live, where it is not the folder of
# the same name.
HEADER_ROOT = {
    'win32': 'win32/include/win32',
    'w32test': 'win32/testing/w32test',
    'w32host': 'win32/admin/w32host',
    'w32detail': 'win32/internal/w32detail',
    'support': 'tests/support',
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def read_list(path):
    rules = {}
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            if ':' not in line:
                raise SystemExit('%s:%d: expected "folder: folders..."' % (path, number))
            folder, allowed = line.split(':', 1)
            folder = folder.strip().rstrip('/')
            if folder in rules:
                raise SystemExit('%s:%d: %s is listed twice' % (path, number, folder))
            rules[folder] = allowed.split()
    return rules


def folder_of(path, rules):
    best = None
    for folder in rules:
        if (path == folder or path.startswith(folder + '/')) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def target_of(include):
    parts = include.split('/')
    if len(parts) < 2:
        return None
    if parts[0] == 'ui' and len(parts) > 2:
        return 'ui/' + parts[1]
    return parts[0]


def sources(root):
    for directory, dirs, files in os.walk(root):
        relative = os.path.relpath(directory, root)
        relative = '' if relative == '.' else relative.replace(os.sep, '/')
        dirs[:] = sorted(d for d in dirs
                         if not any((relative + '/' + d).lstrip('/') == s or
                                    (relative + '/' + d).lstrip('/').startswith(s + '/') for s in SKIPPED)
                         and not d.startswith('build'))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield (relative + '/' + name).lstrip('/')


def check_includes(root, rules):
    problems = []
    names = {INCLUDE_NAME.get(f, f) for f in rules} - {None}
    names |= {'w32test', 'w32detail', 'w32host', 'support'}
    for path in sources(root):
        folder = folder_of(path, rules)
        if folder is None:
            problems.append('%s: its folder is not in the layer list' % path)
            continue
        if folder.startswith('tests') and path.endswith(('.h', '.hpp')) and folder != 'tests/support':
            problems.append('%s: test helpers belong in tests/support (included as "support/...")' % path)
        own = INCLUDE_NAME.get(folder, folder)
        allowed = set(rules[folder])
        with open(os.path.join(root, path), encoding='utf-8', errors='replace') as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                include = m.group(2)
                target = target_of(include)
                if m.group(1) == '"' and target is None:
                    problems.append('%s:%d: "%s" names no folder; include headers as "folder/Header.h"'
                                    % (path, number, include))
                    continue
                if target not in names:
                    if m.group(1) == '"':
                        problems.append('%s:%d: "%s" is in no folder of the layer list' % (path, number, include))
                    continue  # a system or third-party header
                if not (target == own or target in allowed or include in allowed):
                    problems.append('%s:%d: %s may not include "%s"' % (path, number, folder, include))
                    continue
                # The header must be where its name says, not found beside
                # the includer under a name that looks like a product header.
                where = HEADER_ROOT.get(target, target) + include[len(target):]
                if m.group(1) == '"' and not os.path.isfile(os.path.join(root, where)):
                    problems.append('%s:%d: "%s" is no header of %s' % (path, number, include, target))
    return problems


def check_cmake(graph_path, rules):
    problems = []
    folders, deps = {}, {}
    with open(graph_path, encoding='utf-8') as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            folder, target, depends = line.split('|')
            folders[target] = folder
            deps[folder] = [d for d in depends.split(',') if d]
    for folder in deps:
        closure, stack = set(), list(deps[folder])
        while stack:
            target = stack.pop()
            if target not in folders or folders[target] in closure:
                continue
            closure.add(folders[target])
            stack.extend(deps[folders[target]])
        listed = {f for f in rules.get(folder, []) if f in deps}
        if folder not in rules:
            problems.append('%s: a library folder missing from the layer list' % folder)
        elif listed != closure:
            problems.append('%s: the list allows %s but the library links %s' %
                            (folder, ' '.join(sorted(listed)) or 'nothing',
                             ' '.join(sorted(closure)) or 'nothing'))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    here = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument('--root', default=here)
    parser.add_argument('--list', default=None)
    parser.add_argument('--cmake-graph', default=None)
    args = parser.parse_args()
    rules = read_list(args.list or os.path.join(args.root, 'layers.txt'))
    problems = check_includes(args.root, rules)
    if args.cmake_graph:
        problems += check_cmake(args.cmake_graph, rules)
    for p in problems:
        print(p)
    if problems:
        print('%d layering problem(s); the list is layers.txt' % len(problems))
        return 1
    print('layering holds')
    return 0


if __name__ == '__main__':
    sys.exit(main())
