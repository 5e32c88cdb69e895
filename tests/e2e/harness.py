"""Runs the built ostrelcli against simulated BMCs started with tests/sim/simctl."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SIMCTL = os.path.join(ROOT, "tests", "sim", "simctl")
BUILD_DIR = os.environ.get("OSTREL_BUILD_DIR", os.path.join(ROOT, "build"))
CLI = os.path.join(BUILD_DIR, "bin", "ostrelcli")
TIMEOUT_S = 60


class Result:
    def __init__(self, proc):
        self.rc, self.out, self.err = proc.returncode, proc.stdout, proc.stderr

    def json(self):
        return json.loads(self.out)

    def __repr__(self):
        return "rc=%d\n--- stdout\n%s--- stderr\n%s" % (self.rc, self.out, self.err)


def run_cli(conf, *args):
    """ostrelcli's result with the IPMI library configuration conf."""
    env = dict(os.environ, MARLEK_IPMI_CONF=conf)
    env.pop("OSTRELCLI_PLUGIN_DIR", None)
    return Result(subprocess.run([CLI, *args], env=env, capture_output=True, text=True, timeout=TIMEOUT_S))


class SimTestCase(unittest.TestCase):
    """Two simulated BMCs per test class, library nodes 0 and 1; node 2 is
    configured nowhere, and no node has a device file."""

    @classmethod
    def setUpClass(cls):
        if not os.access(CLI, os.X_OK):
            raise unittest.SkipTest("ostrelcli is not built at " + CLI)
        cls.dir = tempfile.mkdtemp(prefix="ostrel-e2e-")
        emu = os.path.join(ROOT, "tests", "sim", "server.emu")
        subprocess.run([SIMCTL, "start", "--dir", cls.dir, "--emu", emu, "--emu", emu, "--timeout", "60"],
                       check=True, stdout=subprocess.DEVNULL, timeout=180)
        with open(os.path.join(cls.dir, "ports")) as f:
            cls.ports = dict(map(int, line.split()) for line in f)

    @classmethod
    def tearDownClass(cls):
        subprocess.run([SIMCTL, "stop", "--dir", cls.dir], timeout=60, stdout=subprocess.DEVNULL)
        shutil.rmtree(cls.dir, ignore_errors=True)

    def cli(self, *args):
        return run_cli(os.path.join(self.dir, "marlek-ipmi.conf"), *args)

    def json(self, *args):
        """The JSON result of a command that must succeed silently."""
        result = self.cli("--formatter", "json", "hardware", "ipmi", *args)
        self.assertEqual((result.rc, result.err), (0, ""), result)
        return result.json()

    def ipmitool(self, node, *args):
        """ipmitool's answer from the same simulated BMC."""
        proc = subprocess.run(["ipmitool", "-I", "lanplus", "-C", "3", "-H", "127.0.0.1", "-p",
                               str(self.ports[node]), "-U", "admin", "-f", os.path.join(self.dir, "password"),
                               *args], capture_output=True, text=True, errors="replace", timeout=TIMEOUT_S)
        if proc.returncode != 0:
            raise AssertionError("ipmitool %s failed: %s" % (" ".join(args), proc.stderr))
        return proc.stdout

    def ipmitool_fields(self, node, *args):
        """The 'Key : value' lines of ipmitool's answer (the first of each key)."""
        fields = {}
        for line in self.ipmitool(node, *args).splitlines():
            key, colon, value = line.partition(":")
            if colon:
                fields.setdefault(key.strip(), value.strip())
        return fields
