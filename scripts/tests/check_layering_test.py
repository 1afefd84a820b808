#!/usr/bin/env python3
"""scripts/check-layering against small trees with planted violations."""

import os
import subprocess
import sys
import tempfile
import textwrap
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "check-layering")


class LayeringCheckTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="kaleidra-layering-")
        self.root = self.folder.name
        # A tree that keeps the rules: scene below host, a tool on top.
        self.write("CMakeLists.txt", "project(Tree)\n")
        self.write("platform/include/kaleidra/platform/result.h", "#pragma once\n")
        self.write("core/scene/include/kaleidra/scene/scene.h",
                   '#pragma once\n#include "kaleidra/platform/result.h"\n')
        self.write("core/host/include/kaleidra/host/driver.h",
                   '#pragma once\n#include "kaleidra/scene/scene.h"\n')
        self.write("testsupport/include/kaleidra/testing/temp_folder.h", "#pragma once\n")
        self.write("core/scene/CMakeLists.txt", """
            kdr_library(kdr_scene ALIAS Kaleidra::scene
              SOURCES src/scene.cpp
              PUBLIC_LINKS Kaleidra::platform)
            """)
        self.write("core/host/CMakeLists.txt", """
            # Kaleidra::engine_api in a comment is not a link.
            kdr_library(kdr_host ALIAS Kaleidra::host
              SOURCES src/driver.cpp
              PUBLIC_LINKS Kaleidra::scene
              PRIVATE_LINKS Threads::Threads)
            """)
        self.write("core/host/tests/CMakeLists.txt", """
            kdr_test(host_test SOURCES driver_test.cpp LINKS Kaleidra::host Kaleidra::test_support)
            """)
        self.write("core/host/tests/driver_test.cpp",
                   '#include "kaleidra/host/driver.h"\n#include "kaleidra/testing/temp_folder.h"\n')
        self.write("platform/CMakeLists.txt",
                   "kdr_library(kdr_platform ALIAS Kaleidra::platform SOURCES src/result.cpp)\n")
        self.write("testsupport/CMakeLists.txt", """
            add_library(kdr_test_support INTERFACE)
            add_library(Kaleidra::test_support ALIAS kdr_test_support)
            """)
        self.write("tools/kdr-tool/CMakeLists.txt",
                   "kdr_tool(kdr-tool SOURCES main.cpp LINKS Kaleidra::host)\n")
        self.write("tools/kdr-tool/main.cpp", '#include "kaleidra/host/driver.h"\n')
        self.write("updater/src/main.cpp", '#include "kaleidra/platform/result.h"\n')

    def tearDown(self):
        self.folder.cleanup()

    def write(self, relative, text):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as file:
            file.write(textwrap.dedent(text).lstrip("\n"))

    def check(self):
        run = subprocess.run([sys.executable, CHECK, self.root], capture_output=True, text=True)
        return run.returncode, run.stderr

    def assert_violation(self, *expected):
        code, errors = self.check()
        self.assertEqual(code, 1, errors)
        for text in expected:
            self.assertIn(text, errors)

    def test_a_tree_that_keeps_the_rules_passes(self):
        code, errors = self.check()
        self.assertEqual(code, 0, errors)

    def test_an_include_from_a_lower_module_into_a_higher_one_fails(self):
        self.write("core/scene/src/scene.cpp", '#include "kaleidra/host/driver.h"\n')
        self.assert_violation("core/scene/src/scene.cpp:1: core/scene includes "
                              "kaleidra/host/driver.h of core/host: it lies above")

    def test_a_link_from_a_lower_module_into_a_higher_one_fails(self):
        self.write("core/scene/CMakeLists.txt", """
            kdr_library(kdr_scene ALIAS Kaleidra::scene
              SOURCES src/scene.cpp
              PUBLIC_LINKS Kaleidra::platform
              PRIVATE_LINKS Kaleidra::host)
            """)
        self.assert_violation("core/scene target kdr_scene links Kaleidra::host of core/host")

    def test_target_link_libraries_and_include_folders_count_too(self):
        self.write("platform/CMakeLists.txt", """
            kdr_library(kdr_platform ALIAS Kaleidra::platform SOURCES src/result.cpp)
            target_link_libraries(kdr_platform PRIVATE Kaleidra::scene)
            target_include_directories(kdr_platform PRIVATE ${PROJECT_SOURCE_DIR}/core/host/src)
            """)
        self.assert_violation("platform target kdr_platform links Kaleidra::scene of core/scene",
                              "includes the folder core/host/src of core/host")

    def test_one_tool_using_another_tools_library_fails(self):
        self.write("tools/kdr-other/CMakeLists.txt", """
            kdr_library(kdr_other_parts SOURCES parts.cpp)
            kdr_tool(kdr-other SOURCES main.cpp LINKS kdr_other_parts)
            """)
        self.write("tools/kdr-tool/CMakeLists.txt",
                   "kdr_tool(kdr-tool SOURCES main.cpp LINKS Kaleidra::host kdr_other_parts)\n")
        self.assert_violation("tools/kdr-tool target kdr-tool links kdr_other_parts of "
                              "tools/kdr-other: modules of one rank do not use each other")

    def test_production_code_may_not_use_the_test_helpers(self):
        self.write("core/host/src/driver.cpp", '#include "kaleidra/testing/temp_folder.h"\n')
        self.assert_violation("only tests may use the test helpers")

    def test_the_updater_uses_only_platform(self):
        self.write("updater/src/main.cpp", '#include "kaleidra/scene/scene.h"\n')
        self.assert_violation("the updater uses only platform")

    def test_only_tests_use_the_updater(self):
        self.write("updater/include/kaleidra/updater/script.h", "#pragma once\n")
        self.write("fuzz/script_fuzz.cpp", '#include "kaleidra/updater/script.h"\n')
        code, errors = self.check()
        self.assertEqual(code, 0, errors)
        self.write("tools/kdr-tool/main.cpp", '#include "kaleidra/updater/script.h"\n')
        self.assert_violation("nothing but tests uses the updater")

    def test_an_include_no_module_provides_fails(self):
        self.write("core/host/src/driver.cpp", '#include "kaleidra/host/gone.h"\n')
        self.assert_violation("includes kaleidra/host/gone.h, which no module provides")

    def test_a_link_to_an_undefined_package_target_fails(self):
        self.write("tools/kdr-tool/CMakeLists.txt",
                   "kdr_tool(kdr-tool SOURCES main.cpp LINKS Kaleidra::nowhere)\n")
        self.assert_violation("links Kaleidra::nowhere, which no module defines")

    def test_build_folders_are_not_checked(self):
        self.write("build/core/scene/src/generated.cpp", '#include "kaleidra/host/driver.h"\n')
        code, errors = self.check()
        self.assertEqual(code, 0, errors)

    def test_a_folder_without_a_cmake_project_is_refused(self):
        os.remove(os.path.join(self.root, "CMakeLists.txt"))
        code, _ = self.check()
        self.assertEqual(code, 2)


if __name__ == "__main__":
    unittest.main()
