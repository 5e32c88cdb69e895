"""Root runs ostrelcli while another user (nobody) prepares what it would
like root to load or believe: plug-ins, plug-in directories, SDR cache
files, the configuration and a password file. None of it may change what
root runs or sees. Needs root and setpriv; skipped otherwise."""

import os
import shutil
import stat
import struct
import subprocess
import tempfile
import unittest

from harness import BUILD_DIR, CLI, ROOT, SIMCTL, run_cli

NOBODY = 65534
MARKER = os.path.join(BUILD_DIR, "tests", "marker_plugin.so")


def as_nobody(*args, **kw):
    return subprocess.Popen(["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups", *args],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


def fnv1a(data):
    h = 2166136261
    for b in data:
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"), "needs root and setpriv")
class OtherUserTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="ostrel-other-")
        self.mark = os.path.join(self.dir, "ran")
        os.chmod(self.dir, 0o755)

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def cli_with_plugins(self, directory):
        env = dict(os.environ, OSTREL_TEST_MARK=self.mark)
        return subprocess.run([CLI, "--plugin-dir", directory, "hardware"], env=env, capture_output=True,
                              text=True, timeout=30)

    def test_plugins_load_only_from_directories_no_one_else_controls(self):
        def tree(path, mode, owner=0):
            os.makedirs(path, exist_ok=True)
            os.chmod(path, mode)
            os.chown(path, owner, owner)
            return path
        cases = [
            ("0755 under 0755", tree(self.dir + "/a/plugins", 0o755), True, ""),
            ("0755 under sticky 1777", tree(tree(self.dir + "/s", 0o1777) + "/plugins", 0o755), True, ""),
            ("0777 itself", tree(self.dir + "/b", 0o777), False, "writable by group or others"),
            ("0775", tree(self.dir + "/c", 0o775), False, "writable by group or others"),
            ("under a 0777 parent", tree(tree(self.dir + "/d", 0o777) + "/plugins", 0o755), False, "/d' is writable"),
            ("owned by nobody", tree(self.dir + "/e", 0o755, NOBODY), False, "owned by user id 65534"),
        ]
        for name, directory, loads, why in cases:
            with self.subTest(name):
                shutil.copy(MARKER, directory + "/x.so")
                os.symlink(MARKER, directory + "/link.so")
                result = self.cli_with_plugins(directory)
                self.assertEqual(os.path.exists(self.mark), loads, result.stderr)
                self.assertIn("'%s/link.so': it is a symbolic link" % directory if loads else why, result.stderr)
                if os.path.exists(self.mark):
                    os.unlink(self.mark)

    def test_a_plugin_swapped_meanwhile_never_runs(self):
        plugins = os.path.join(self.dir, "swap")
        os.mkdir(plugins)
        os.chown(plugins, NOBODY, NOBODY)
        shutil.copy(MARKER, os.path.join(self.dir, "evil.so"))
        os.chmod(os.path.join(self.dir, "evil.so"), 0o644)
        swap = "while :; do cp %s/evil.so %s/.n && mv %s/.n %s/x.so; rm -f %s/x.so; done" % (
            self.dir, plugins, plugins, plugins, plugins)
        swapper = as_nobody("sh", "-c", swap)
        try:
            for _ in range(300):
                self.cli_with_plugins(plugins)
        finally:
            swapper.kill()
            swapper.wait()
        self.assertFalse(os.path.exists(self.mark))


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"), "needs root and setpriv")
class OtherUsersFilesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="ostrel-files-")
        subprocess.run([SIMCTL, "start", "--dir", cls.dir, "--emu", os.path.join(ROOT, "tests", "sim", "server.emu")],
                       check=True, stdout=subprocess.DEVNULL, timeout=180)
        with open(os.path.join(cls.dir, "marlek-ipmi.conf")) as f:
            cls.conf_text = f.read()

    @classmethod
    def tearDownClass(cls):
        subprocess.run([SIMCTL, "stop", "--dir", cls.dir], timeout=60, stdout=subprocess.DEVNULL)
        shutil.rmtree(cls.dir, ignore_errors=True)

    def conf(self, name, cache_dir=None, password=None):
        text = self.conf_text
        for key, value in (("cache-dir", cache_dir), ("password-file", password)):
            if value:
                text = "\n".join(key + " = " + value if line.startswith(key + " =") else line
                                 for line in text.splitlines()) + "\n"
        path = os.path.join(self.dir, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    def sensors(self, conf):
        return run_cli(conf, "hardware", "ipmi", "sdr", "list", "-n", "0")

    def test_a_forged_cache_in_another_users_directory_changes_nothing(self):
        own = os.path.join(self.dir, "own-cache")
        expected = self.sensors(self.conf("own.conf", own))
        (name,) = [n for n in os.listdir(own) if n.endswith(".cache")]
        with open(os.path.join(own, name), "rb") as f:
            body = f.read()[:-4].replace(b"HSBP Temp", b"FORGED!!!")
        hostile = os.path.join(self.dir, "hostile-cache")
        os.mkdir(hostile, 0o777)
        os.chown(hostile, NOBODY, NOBODY)
        with open(os.path.join(hostile, name), "wb") as f:
            f.write(body + struct.pack("<I", fnv1a(body)))
        os.chmod(os.path.join(hostile, name), 0o600)
        result = self.sensors(self.conf("hostile.conf", hostile))
        self.assertNotIn("FORGED", result.out)
        self.assertEqual(result.out.count("\n"), expected.out.count("\n"))
        self.assertIn("SDR cache off for this run: %s is not used: it belongs to uid 65534" % hostile, result.err)

    def test_fifos_devices_and_foreign_files_are_refused_within_a_second(self):
        cache = os.path.join(self.dir, "fifo-cache")
        self.sensors(self.conf("fifo-cache.conf", cache))
        (name,) = [n for n in os.listdir(cache) if n.endswith(".cache")]
        os.unlink(os.path.join(cache, name))
        os.mkfifo(os.path.join(cache, name), 0o600)
        result = self.sensors(os.path.join(self.dir, "fifo-cache.conf"))
        self.assertEqual((result.rc, result.err), (0, ""), result)
        self.assertTrue(stat.S_ISREG(os.stat(os.path.join(cache, name)).st_mode), "the FIFO is replaced")

        fifo = os.path.join(self.dir, "conf-fifo")
        os.mkfifo(fifo)
        foreign = os.path.join(self.dir, "foreign.pw")
        with open(foreign, "w") as f:
            f.write("secret")
        os.chmod(foreign, 0o400)
        os.chown(foreign, NOBODY, NOBODY)
        for conf, why in ((fifo, "is not a regular file"), ("/dev/zero", "is not a regular file"),
                          (self.dir, "is not a regular file"),
                          (self.conf("pw.conf", password=foreign), "belongs to another user (uid 65534)")):
            with self.subTest(conf):
                result = subprocess.run([CLI, "hardware", "ipmi", "sdr", "get", "-n", "0"], capture_output=True,
                                        text=True, timeout=5, env=dict(os.environ, MARLEK_IPMI_CONF=conf))
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(why, result.stderr)


if __name__ == "__main__":
    unittest.main()
