"""Builds Quorvane.exe the project's way and the benchmark's own programs
with the same toolchain, and reads back the flags that set their size."""

import json
import os
import shlex
import subprocess

BUILD_TIMEOUT = 900
BENCH_PROGRAMS = ("baseline_tray", "design_floor", "probe_process", "close_windows",
                  "stand_in_shell")
# Flags that decide what ends up in the executable and how big it is.
SIZE_FLAG_PREFIXES = ("-O", "-ffunction-sections", "-fdata-sections", "-fno-exceptions",
                      "-fno-rtti", "-fno-asynchronous-unwind-tables", "-s", "-static",
                      "-Wl,--gc-sections", "-Wl,--defsym", "-mwindows", "-municode", "-g")


TOOLCHAINS = {"x86": "mingw-i686.cmake", "x64": "mingw-x86_64.cmake"}
BUILD_DIRS = {"x86": "windows", "x64": "windows-x64"}


def quorvane_build_dir(repo, arch):
    """Where scripts/build-windows.sh builds for this width."""
    return os.path.join(repo, "build", BUILD_DIRS[arch])


def build_quorvane(repo, arch):
    """Runs scripts/build-windows.sh for x86 or x64; its last stdout line is
    the exe."""
    result = subprocess.run([os.path.join(repo, "scripts", "build-windows.sh")], cwd=repo,
                            env=dict(os.environ, QUORVANE_ARCH=arch),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            timeout=BUILD_TIMEOUT, check=False)
    if result.returncode != 0:
        raise RuntimeError("build-windows.sh failed:\n"
                           + result.stderr.decode(errors="replace")[-3000:])
    return result.stdout.decode().strip().splitlines()[-1]


def build_bench(repo, build_dir, arch):
    """Configures and builds bench/CMakeLists.txt for x86 or x64, as wide as
    the Quorvane.exe they are measured against; returns name -> exe."""
    toolchain = os.path.join(repo, "cmake", TOOLCHAINS[arch])
    steps = (["cmake", "-S", os.path.join(repo, "bench"), "-B", build_dir,
              f"-DCMAKE_TOOLCHAIN_FILE={toolchain}", "-DCMAKE_BUILD_TYPE=Release",
              "-DCMAKE_EXPORT_COMPILE_COMMANDS=ON"],
             ["cmake", "--build", build_dir, "-j2"])
    for step in steps:
        result = subprocess.run(step, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=BUILD_TIMEOUT, check=False)
        if result.returncode != 0:
            raise RuntimeError(f"{' '.join(step)} failed:\n"
                               + result.stdout.decode(errors="replace")[-3000:])
    return {name: os.path.join(build_dir, name + ".exe") for name in BENCH_PROGRAMS}


def size_flags(words):
    return [word for word in words if word.startswith(SIZE_FLAG_PREFIXES)]


def target_flags(build_dir, target_dir, source_name):
    """(compile flags of one source, link flags) of a CMake target, reduced
    to the size-relevant ones; None where the build files are missing."""
    compile_words = None
    try:
        with open(os.path.join(build_dir, "compile_commands.json")) as stream:
            for entry in json.load(stream):
                if entry["file"].endswith(source_name):
                    compile_words = size_flags(shlex.split(entry["command"]))
                    break
    except FileNotFoundError:
        pass
    link_words = None
    try:
        with open(os.path.join(build_dir, target_dir, "link.txt")) as stream:
            link_line = next(line for line in stream if "-o " in line)
        link_words = size_flags(shlex.split(link_line))
    except (FileNotFoundError, StopIteration):
        pass
    return compile_words, link_words
