"""Fixtures every end-to-end test shares: the build under test and the source tree. Each real
part the tests drive has one module of fixtures under parts/, loaded here."""
import pathlib

import pytest

SOURCE = pathlib.Path(__file__).resolve().parent.parent

pytest_plugins = ["parts.display", "parts.native", "parts.wine", "parts.desktop"]


def pytest_addoption(parser):
    parser.addoption("--build-dir", type=pathlib.Path, required=True,
                     help="the CMake build folder whose programs are tested")


@pytest.fixture(scope="session")
def build_dir(request):
    return request.config.getoption("--build-dir").resolve()


@pytest.fixture(scope="session")
def source_dir():
    return SOURCE
