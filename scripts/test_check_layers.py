#!/usr/bin/env python3
"""The layer check on small trees: what it accepts and what it reports."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'check_layers.py')
LIST = """\
win32/include:
win32/testing: win32
win32/internal: win32
win32: w32detail
rw: win32
model: rw win32
tests/support: support model rw win32
tests: support model rw win32 w32test/Testing.h
"""


def run(files, graph=None):
    with tempfile.TemporaryDirectory() as root:
        with open(os.path.join(root, 'layers.txt'), 'w') as f:
            f.write(LIST)
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), 'w') as f:
                f.write(text)
        args = [sys.executable, CHECK, '--root', root]
        if graph is not None:
            with open(os.path.join(root, 'graph.txt'), 'w') as f:
                f.write(graph)
            args += ['--cmake-graph', os.path.join(root, 'graph.txt')]
        done = subprocess.run(args, capture_output=True, text=True)
        return done.returncode, done.stdout


class LayerCheckTest(unittest.TestCase):
    def test_a_sound_tree_passes(self):
        code, out = run({
            'rw/A.h': '#include "win32/Types.h"\n#include <string>\n',
            'model/B.cpp': '#include "model/B.h"\n#include "rw/A.h"\n',
            'model/B.h': '#include "rw/A.h"\n',
            'win32/include/win32/Types.h': '#include <cstdint>\n',
            'win32/Kernel.cpp': '#include "win32/Types.h"\n#include "w32detail/Handles.h"\n',
            'win32/internal/w32detail/Handles.h': '#include "win32/Types.h"\n',
            'tests/model/BTest.cpp': '#include "support/Fixture.h"\n#include "w32test/Testing.h"\n',
            'tests/support/Fixture.h': '#include "model/B.h"\n',
            'win32/testing/w32test/Testing.h': '#include "win32/Types.h"\n',
        }, graph='rw|qv_rw|qv_win32\nmodel|qv_model|qv_rw,ZLIB::ZLIB\nwin32|qv_win32|pthread\n')
        self.assertEqual(code, 0, out)

    def test_each_violation_is_reported_with_its_line(self):
        cases = [
            # an upward include
            ({'rw/A.cpp': '#include <vector>\n#include "model/B.h"\n'}, 'rw/A.cpp:2: rw may not include "model/B.h"'),
            # product code reaching the stand-in's internals or its testing face
            ({'model/B.cpp': '#include "w32detail/Handles.h"\n'}, 'model may not include "w32detail/Handles.h"'),
            ({'model/B.cpp': '#include "w32test/Testing.h"\n'}, 'model may not include "w32test/Testing.h"'),
            # tests see the umbrella only
            ({'tests/rw/ATest.cpp': '#include "w32test/Kernel.h"\n'}, 'tests may not include "w32test/Kernel.h"'),
            # helpers beside the tests instead of in support
            ({'tests/model/Helper.h': '\n'}, 'tests/model/Helper.h: test helpers belong in tests/support'),
            # a header without its folder, and a folder the list lacks
            ({'model/B.cpp': '#include "B.h"\n'}, 'names no folder'),
            ({'pdl/C.cpp': '\n'}, 'pdl/C.cpp: its folder is not in the layer list'),
            ({'rw/A.cpp': '#include "../model/B.h"\n'}, 'is in no folder of the layer list'),
            # a test helper included beside the tests as if it were a product header
            ({'tests/rw/ATest.cpp': '#include "rw/Items.h"\n', 'tests/rw/rw/Items.h': '\n'},
             'tests/rw/ATest.cpp:1: "rw/Items.h" is no header of rw'),
        ]
        for files, message in cases:
            with self.subTest(message=message):
                code, out = run(files)
                self.assertEqual(code, 1, out)
                self.assertIn(message, out)

    def test_the_list_must_match_what_each_library_links(self):
        # model lists rw and win32, but its library links rw only (and rw
        # nothing of the project).
        code, out = run({}, graph='rw|qv_rw|\nmodel|qv_model|qv_rw\nwin32|qv_win32|\n')
        self.assertEqual(code, 1, out)
        self.assertIn('model: the list allows rw win32 but the library links rw', out)
        self.assertIn('rw: the list allows win32 but the library links nothing', out)


if __name__ == '__main__':
    unittest.main()
