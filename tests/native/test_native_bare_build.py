"""The README's first command on a machine with only CMake and a compiler: the native preset
configured as if GoogleTest and Google Benchmark were missing, built, and run."""
import re
import subprocess


def test_bare_build(native, source_dir):
    build = native.work / "build"
    configure = subprocess.run(["cmake", "-S", source_dir, "--preset", "native", "-B", build,
                                "-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON",
                                "-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON"],
                               capture_output=True, text=True, timeout=300)
    assert configure.returncode == 0, configure.stdout + configure.stderr
    # Configure says once what it leaves out.
    assert len(re.findall(r"^-- Skipping the unit tests .* and the benchmarks", configure.stdout,
                          re.M)) == 1, configure.stdout
    built = subprocess.run(["cmake", "--build", build, "-j2"], capture_output=True, text=True,
                           timeout=600)
    assert built.returncode == 0, built.stdout[-4000:] + built.stderr[-4000:]
    assert not [p.name for p in build.iterdir() if p.name.endswith(("unit_tests", "_bench"))]
    result = native.run("someone@example.com", "Built`1bare", program=build / "mailto")
    assert (result.status, result.err, result.opened) == (
        0, b"", [[b"mailto:someone@example.com?subject=Built bare"]])
