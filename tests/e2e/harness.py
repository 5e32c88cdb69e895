"""Runs the built ostrelcli against simulated BMCs started with simctl."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SIMCTL = os.path.join(ROOT, "tests", "bmc", "sim", "simctl")
BUILD_DIR = os.environ.get("OSTREL_BUILD_DIR", os.path.join(ROOT, "build"))
CLI = os.path.join(BUILD_DIR, "bin", "ostrelcli")
COMMAND_TIMEOUT_S = 60


class Result:
    def __init__(self, proc):
        self.rc = proc.returncode
        self.out = proc.stdout
        self.err = proc.stderr

    def json(self):
        return json.loads(self.out)

    def __repr__(self):
        return "rc=%d\n--- stdout\n%s--- stderr\n%s" % (self.rc, self.out, self.err)


class Sim:
    """Simulated BMCs mapped to library nodes 0, 1, ... in order."""

    def __init__(self, emus=None):
        self.dir = tempfile.mkdtemp(prefix="ostrel-e2e-")
        args = [SIMCTL, "start", "--dir", self.dir]
        for emu in emus or []:
            args += ["--emu", emu]
        subprocess.run(args, check=True, stdout=subprocess.DEVNULL, timeout=120)
        self.conf = os.path.join(self.dir, "marlek-ipmi.conf")
        self.ports = {}
        with open(os.path.join(self.dir, "ports")) as f:
            for line in f:
                node, port = line.split()
                self.ports[int(node)] = int(port)
        with open(os.path.join(self.dir, "password")) as f:
            self.password = f.read()

    def stop(self):
        subprocess.run([SIMCTL, "stop", "--dir", self.dir], check=False, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.dir, ignore_errors=True)

    def env(self):
        env = dict(os.environ)
        env["MARLEK_IPMI_CONF"] = self.conf
        env.pop("OSTRELCLI_PLUGIN_DIR", None)
        return env

    def cli(self, *args):
        proc = subprocess.run([CLI, *args], env=self.env(), capture_output=True, text=True,
                              timeout=COMMAND_TIMEOUT_S)
        return Result(proc)

    def ipmitool(self, node, *args):
        """ipmitool's answer for the same simulated BMC, the peer we check against."""
        pw = os.path.join(self.dir, "password")
        proc = subprocess.run(
            ["ipmitool", "-I", "lanplus", "-C", "3", "-H", "127.0.0.1", "-p", str(self.ports[node]),
             "-U", "admin", "-f", pw, *args],
            capture_output=True, text=True, errors="replace", timeout=COMMAND_TIMEOUT_S)
        if proc.returncode != 0:
            raise AssertionError("ipmitool %s failed: %s" % (" ".join(args), proc.stderr))
        return proc.stdout


class SimTestCase(unittest.TestCase):
    """One pair of simulated BMCs (nodes 0 and 1) per test class; node 2 is
    configured nowhere and has no device file."""

    emus = None
    sim = None

    @classmethod
    def setUpClass(cls):
        if not os.access(CLI, os.X_OK):
            raise unittest.SkipTest("ostrelcli is not built at " + CLI)
        default = os.path.join(ROOT, "tests", "bmc", "sim", "server.emu")
        cls.sim = Sim(cls.emus or [default, default])

    @classmethod
    def tearDownClass(cls):
        if cls.sim:
            cls.sim.stop()

    def cli(self, *args):
        return self.sim.cli(*args)

    def assertFails(self, result, stderr_lines, rc=1):
        """The command printed exactly these error lines and exited with rc."""
        self.assertEqual(result.rc, rc, result)
        self.assertEqual(result.err.splitlines(), stderr_lines, result)

    def assertSucceeds(self, result):
        self.assertEqual(result.rc, 0, result)
        self.assertEqual(result.err, "", result)
