"""Faults between ostrelcli and a simulated BMC. Whatever goes wrong on the
way, a command prints what it prints without the fault, or says what it
could not read: an "Error: " row, or a line on standard error. Never fewer
results without a word."""

import concurrent.futures
import os
import random
import subprocess
import threading
import time
import unittest

from harness import CLI, ROOT, SIMCTL, run_cli
from udp_proxy import TO_BMC, TO_CLIENT, Proxy

TIMEOUT_MS, RETRIES = 200, 2


def lossy(rate, seed):
    rnd = random.Random(seed)
    return lambda direction, n, data: None if rnd.random() < rate else data


def burst(start, length=15):
    return lambda direction, n, data: None if direction == TO_CLIENT and start <= n < start + length else data


def silent_after(requests):
    return lambda direction, n, data: None if direction == TO_BMC and n >= requests else data


def damaged(index, seed):
    """Flips one bit of the index-th answer, past the RMCP header."""
    rnd = random.Random(seed)

    def fault(direction, n, data):
        if direction != TO_CLIENT or n != index:
            return data
        b = bytearray(data)
        b[rnd.randrange(4, len(b))] ^= 1 << rnd.randrange(8)
        return bytes(b)
    return fault


def slow(seconds):
    def fault(direction, n, data):
        time.sleep(seconds)
        return data
    return fault


def passing(direction, n, data):
    return data


def rows(result):
    return {(row.get("Node-Sensor"), row.get("Description")): row for row in result.json()}


class FaultTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.access(CLI, os.X_OK):
            raise unittest.SkipTest("ostrelcli is not built at " + CLI)
        cls.dir = subprocess.run(["mktemp", "-d", "/tmp/ostrel-faults-XXXXXX"], capture_output=True, text=True,
                                 check=True).stdout.strip()
        subprocess.run([SIMCTL, "start", "--dir", cls.dir, "--emu", os.path.join(ROOT, "tests", "sim", "server.emu")],
                       check=True, stdout=subprocess.DEVNULL, timeout=180)
        with open(os.path.join(cls.dir, "ports")) as f:
            cls.port = int(f.read().split()[1])
        probe = Proxy(cls.port, passing)
        cls.proxy_port = probe.port  # one address for every run, so that caches carry over
        probe.close()
        cls.runs = 0

    @classmethod
    def tearDownClass(cls):
        subprocess.run([SIMCTL, "stop", "--dir", cls.dir], timeout=60, stdout=subprocess.DEVNULL)
        subprocess.run(["rm", "-rf", cls.dir], check=False)

    def conf(self, port, cache):
        """A configuration for node 0 at port; a fresh cache directory unless one is named."""
        FaultTest.runs += 1
        path = os.path.join(self.dir, "faults-%d.conf" % self.runs)
        with open(path, "w") as f:
            f.write("cache-dir = %s\n[node 0]\ntransport = lan\nhost = 127.0.0.1\nport = %d\nusername = admin\n"
                    "password-file = %s\ntimeout-ms = %d\nretries = %d\n"
                    % (os.path.join(self.dir, cache or "cache-%d" % self.runs), port,
                       os.path.join(self.dir, "password"), TIMEOUT_MS, RETRIES))
        return path

    def through(self, fault, *args, cache=None):
        proxy = Proxy(self.port, fault, self.proxy_port)
        try:
            return run_cli(self.conf(proxy.port, cache), "--formatter", "json", "hardware", "ipmi", *args)
        finally:
            proxy.close()

    def clean(self, *args, cache=None):
        result = run_cli(self.conf(self.port, cache), "--formatter", "json", "hardware", "ipmi", *args)
        self.assertEqual((result.rc, result.err), (0, ""), result)
        return result

    def assertSameSensors(self, got, expected):
        """Every sensor as without the fault, failed where it failed then; readings and times may differ."""
        keep = ("Node-Sensor", "Description", "Entity-Instance", "Base Unit", "Sensor Type")
        strip = lambda rs: {k: ({f: r[f] for f in keep}, r["Timestamp/Comment"].startswith("Error: "))
                            for k, r in rows(rs).items()}
        self.assertEqual(got.rc, 0, got)
        self.assertEqual(strip(got), strip(expected), got)

    def test_lost_and_damaged_datagrams_cost_time_not_data(self):
        expected = self.clean("sdr", "list", "-n", "0", "-a")
        cases = [("10% loss, cold", lossy(0.10, 11), None), ("burst of 15 lost answers", burst(40), None),
                 ("burst during readings", burst(170), "warm")]
        cases += [("damaged answer %d of the set-up" % i, damaged(i, i), None) for i in range(6)]
        self.through(passing, "sdr", "list", "-n", "0", cache="warm")
        for name, fault, cache in cases:
            with self.subTest(name):
                self.assertSameSensors(self.through(fault, "sdr", "list", "-n", "0", "-a", cache=cache), expected)

    def test_heavy_loss_shows_every_sensor_read_or_failed(self):
        expected = rows(self.through(passing, "sdr", "list", "-n", "0", "-a", cache="heavy"))
        result = self.through(lossy(0.30, 3), "sdr", "list", "-n", "0", "-a", cache="heavy")
        if result.rc != 0:  # no session at all: said, with nothing printed
            self.assertEqual(result.out, "", result)
            self.assertIn("marlek-ipmi: ", result.err, result)
            return
        got = rows(result)
        self.assertEqual(set(got), set(expected), result)
        failed = [k for k, r in got.items() if r["Timestamp/Comment"].startswith("Error: ")]
        self.assertEqual(bool(failed), result.err != "", result)

    def test_bmc_going_silent_leaves_error_rows_and_a_reason(self):
        shown = rows(self.through(passing, "sdr", "list", "-n", "0", cache="silent"))
        for args in (("sdr", "list", "-n", "0"), ("sdr", "list", "-n", "0", "-a")):
            with self.subTest(args):
                result = self.through(silent_after(12), *args, cache="silent")
                got = rows(result)
                self.assertLessEqual(set(shown), set(got), result)
                failed = [r for r in got.values() if r["Timestamp/Comment"].startswith("Error: ")]
                self.assertTrue(failed, result)
                self.assertFalse([r for r in failed if r["Computed Reading"]], result)
                self.assertIn("no answer", result.err)

    def test_nothing_listening_is_said_as_no_answer(self):
        result = run_cli(self.conf(9, None), "hardware", "ipmi", "sdr", "get", "-n", "0")
        self.assertEqual(result.rc, 1, result)
        self.assertIn("no answer to Get Channel Authentication Capabilities within", result.err)

    def test_bmc_going_silent_during_fru_list_names_the_unread_devices(self):
        result = self.through(silent_after(45), "fru", "list", "-n", "0")
        self.assertIn("FRU device not read", result.err, result)

    def test_concurrent_cold_readers_all_finish_alike(self):
        conf = [self.conf(self.port, None) for _ in range(8)]
        for args in (("sdr", "list", "-n", "0", "-a"), ("fru", "list", "-n", "0")):
            with self.subTest(args), concurrent.futures.ThreadPoolExecutor(8) as pool:
                results = list(pool.map(lambda c: run_cli(c, "--formatter", "json", "hardware", "ipmi", *args), conf))
                self.assertEqual([(r.rc, r.err) for r in results], [(0, "")] * 8, results[0])
                outs = [[{k: v for k, v in row.items() if k != "Timestamp/Comment"} for row in r.json()]
                        for r in results]
                self.assertEqual(outs, [outs[0]] * 8)

    def test_sel_cleared_meanwhile_gives_the_old_list_the_empty_one_or_an_error(self):
        before = len(self.clean("sel", "list", "-n", "0").json())
        self.assertGreater(before, 0)
        clear = threading.Timer(0.3, lambda: subprocess.run(
            ["ipmitool", "-I", "lanplus", "-C", "3", "-H", "127.0.0.1", "-p", str(self.port), "-U", "admin",
             "-f", os.path.join(self.dir, "password"), "sel", "clear"], capture_output=True, timeout=60))
        clear.start()
        result = self.through(slow(0.004), "sel", "list", "-n", "0")
        clear.join()
        if result.rc == 0:
            self.assertIn(len(result.json()), (0, before), result)
        else:
            self.assertNotEqual(result.err, "", result)


if __name__ == "__main__":
    unittest.main()
