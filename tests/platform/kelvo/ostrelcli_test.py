"""ostrelcli as a user meets it, with plug-in modules made for testing: help,
usage errors, every formatter on every result shape (json, xml and csv read
back by Python's own parsers), failing commands and refused plug-ins.

Run as: ostrelcli_test.py OSTRELCLI LIBKELVO DEMO_MODULE NO_ENTRY_MODULE FAILING_MODULE
"""

import csv
import io
import json
import os
import re
import resource
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import xml.dom.minidom

PROGRAM, LIBKELVO, DEMO, NO_ENTRY, FAILING = sys.argv[1:6]
os.environ.pop("OSTRELCLI_PLUGIN_DIR", None)


def run(*args, env=None, user=None):
    """Runs a command with stdin from /dev/null and no core file; returns its
    exit status (minus the signal that ended it), stdout and stderr."""
    done = subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, env=env, user=user, timeout=60,
                          preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_CORE, (0, 0)))
    return done.returncode, os.fsdecode(done.stdout), os.fsdecode(done.stderr)


def add(directory, module, name, mode=0o755):
    path = os.path.join(directory, name)
    shutil.copyfile(module, path)
    os.chmod(path, mode)
    return path


DEMO_DIR = tempfile.TemporaryDirectory()
add(DEMO_DIR.name, DEMO, "demo.so")
SENSORS_TABLE = ("Name                  Reading  Id\n"
                 "--------------------  -------  --\n"
                 "CPU Temp              45.000   1\n"
                 "Fan <left> & «right»           12\n")


def ostrelcli(line, *more):
    """ostrelcli with the demo module, given the words of line (quoted as in a shell) and then more."""
    return run(PROGRAM, "--plugin-dir", DEMO_DIR.name, *shlex.split(line), *more)


def elements(node):
    return [child for child in node.childNodes if child.nodeType == child.ELEMENT_NODE]


def xml_value(element):
    """The value an element printed by the xml formatter stands for."""
    if element.tagName == "struct":
        return {field.getAttribute("name"): xml_value(elements(field)[0]) for field in elements(element)}
    if element.tagName == "list":
        return [xml_value(item) for item in elements(element)]
    text = "".join(child.data for child in element.childNodes)
    if element.tagName == "string" or not text:
        return text if element.tagName == "string" else None
    return int(text) if element.tagName == "int" else {"true": True, "false": False}[text]


class Ostrelcli(unittest.TestCase):
    maxDiff = None

    def test_help(self):
        demo = ("Usage: ostrelcli [GLOBAL OPTIONS] hardware demo COMMAND [PARAMETERS]\n\n"
                "Commands for testing the program.\n\n"
                "Commands:\n"
                "  sensors  List the sensors.\n"
                "  config   Show the configuration.\n"
                "  bmc      Show the controller.\n"
                "  gauges   List the gauges.\n"
                "  clear    Clear the log.\n"
                "  echo     Echo the parameters.\n\n"
                "Run 'ostrelcli hardware demo NAME --help' for more about one of them.\n")
        echo = ("Usage: ostrelcli [GLOBAL OPTIONS] hardware demo echo [PARAMETERS]\n\n"
                "Echo the parameters.\n\n"
                "Parameters:\n"
                "  Name           Short  Takes  Required  Description\n"
                "  --include-raw  -r     flag   no        Add the raw bytes\n"
                "  --node         -n     VALUE  no        Which node\n"
                "  --name                VALUE  yes       A name to echo\n\n"
                "Output: formatter 'simple'; choose another with 'ostrelcli --formatter NAME hardware demo echo'.\n"
                "Result: a text.\n")
        for line, text in [("hardware demo", demo), ("--help hardware demo", demo), ("hardware demo echo -h", echo),
                           ("-h hardware demo echo --bogus", echo), ("hardware demo echo -r --help --bogus", echo)]:
            with self.subTest(line):
                self.assertEqual(ostrelcli(line), (0, text, ""))
        self.assertIn("'.\nOutput parameters (change with '--format-param KEY=VALUE'):\n"
                      "  fields:DemoSensor  Name,Reading,Id\n  show-header        false\n"
                      "Result: a list of DemoSensor records; fields: Id, Name, Reading.\n",
                      ostrelcli("hardware demo sensors --help")[1])
        help_text = ostrelcli("--help")[1]
        self.assertTrue(help_text.startswith("Usage: ostrelcli [GLOBAL OPTIONS] NAMESPACE... COMMAND [PARAMETERS]\n"))
        self.assertEqual(ostrelcli(""), (0, help_text, ""))
        self.assertRegex(ostrelcli("--version")[1], r"^ostrelcli \S+\nplug-in demo \(no version\)\n$")

    def test_command_lines(self):
        """What "echo" receives (the lines ending in ';'), or the usage error
        (exit status 2) that refuses the parameters."""
        for args, text in [
                ("--name x", "name=x;"),
                ("--name=", "name=;"),
                ("--name x -n2", "node=2;name=x;"),
                ("--name x -n=all", "node=all;name=x;"),
                ("-rn 0 --name x", "include-raw;node=0;name=x;"),
                ("--name x --", "name=x;"),
                ("--include-raw --name x", "include-raw;name=x;"),
                ("--name x --bogus", "unknown parameter '--bogus' for 'hardware demo echo'"),
                ("--NMAE x", "unknown parameter '--NMAE' for 'hardware demo echo'; did you mean '--name'?"),
                ("--icnlude-rxx",
                 "unknown parameter '--icnlude-rxx' for 'hardware demo echo'; did you mean '--include-raw'?"),
                ("--nxxe", "unknown parameter '--nxxe' for 'hardware demo echo'; did you mean '--node'?"),
                ("--name x --debug",
                 "unknown parameter '--debug' for 'hardware demo echo'; global options go before the namespace path"),
                ("--name x -x", "unknown parameter '-x' for 'hardware demo echo'"),
                ("--name x -rx", "unknown parameter '-x' (in '-rx') for 'hardware demo echo'"),
                ("--name", "parameter '--name' needs a value"),
                ("--name x -rn", "parameter '-n' needs a value"),
                ("--name x -r=1", "parameter '-r' is a flag and takes no value"),
                ("--name x -rr", "parameter '--include-raw' given twice"),
                ("-r", "missing required parameter '--name' for 'hardware demo echo'"),
                ("--name x extra", "unexpected argument 'extra' for 'hardware demo echo'"),
                ("-- --name x", "unexpected argument '--name' for 'hardware demo echo'")]:
            with self.subTest(args):
                if text.endswith(";"):
                    self.assertEqual(ostrelcli("hardware demo echo " + args), (0, text + "\n", ""))
                else:
                    self.assertEqual(ostrelcli("hardware demo echo " + args), (2, "", "ostrelcli: " + text + "\n"
                                     "Try 'ostrelcli hardware demo echo --help' for more information.\n"))

    @unittest.skipUnless(shutil.which("man"), "man is not installed")
    def test_manual_renders_and_names_each_command_and_parameter(self):
        page = subprocess.run(["man", "-l", "-"], input=ostrelcli("--man")[1], capture_output=True, text=True,
                              env=dict(os.environ, LANG="C", MANWIDTH="200"))
        self.assertEqual(page.stderr, "")
        for words in ("hardware demo echo", "--include-raw, -r", "--name VALUE", "A name to echo", "Required.",
                      "--plugin-dir DIR"):
            self.assertIn(words, page.stdout)

    def test_usage_errors_outside_a_command(self):
        for line, help_path, message in [
                ("hardwre", "", "'hardwre' is not a namespace or command at the top level; did you mean 'hardware'?"),
                ("hardware demo sensor", " hardware demo",
                 "'sensor' is not a namespace or command in 'hardware demo'; did you mean 'sensors'?"),
                ("hardware demo --debug", " hardware demo",
                 "unknown option '--debug' in 'hardware demo'; global options go before the namespace path"),
                ("--formatter yaml hardware demo clear", "",
                 "unknown formatter 'yaml'; choose one of: csv, json, keyvalue, openmetrics, simple, table, xml"),
                ("--format-param show-header=maybe hardware", "",
                 "output parameter 'show-header' must be true or false, not 'maybe'"),
                ("--format-param fields", "", "global option '--format-param' needs KEY=VALUE, not 'fields'"),
                ("--format-param =x", "", "global option '--format-param' needs KEY=VALUE, not '=x'"),
                ("--formatter", "", "global option '--formatter' needs a value"),
                ("--verbose hardware", "", "unknown global option '--verbose'")]:
            with self.subTest(line):
                self.assertEqual(ostrelcli(line), (2, "", "ostrelcli: %s\nTry 'ostrelcli%s --help' for more "
                                                          "information.\n" % (message, help_path)))

    def test_failing_commands_exit_one_and_never_crash_the_program(self):
        self.assertEqual(ostrelcli("hardware demo echo --name x --node throw"),
                         (1, "", "ostrelcli: 'hardware demo echo' failed: device vanished\n"))
        self.assertEqual(ostrelcli("hardware demo echo --name x --node foreign"),
                         (1, "", "ostrelcli: 'hardware demo echo' failed with an unknown exception\n"))
        # The result is printed, then the errors in the order they were added.
        self.assertEqual(ostrelcli("hardware demo echo --name x --node partial"),
                         (1, "node=partial;name=x;\n", "Unable to read node 1 : timed out\nsecond: 100% failed\n"))
        # Panic is the program's own, found by the module when it is loaded.
        status, _, err = ostrelcli("hardware demo echo --name x --node panic")
        self.assertEqual((status, err.split("\n")[0]), (-signal.SIGABRT, "demo panic 7"))

    def test_formatters_lay_out_every_shape(self):
        """Simple, table and keyvalue, which no parser reads back. The terminal
        ones align by characters, not bytes; the output parameters (the
        command's defaults, overridden key by key) steer them."""
        for line, text in [
                ("hardware demo sensors", SENSORS_TABLE),
                ("--formatter simple --format-param header:DemoSensor=S%Id% hardware demo sensors",
                 "Name:    CPU Temp\nReading: 45.000\nId:      1\n\n"
                 "Name:    Fan <left> & «right»\nReading:\nId:      12\n"),
                ("--formatter simple --format-param show-header=yes --format-param fields:DemoSensor=Id "
                 "--format-param header:DemoSensor=S%Id%:%Name%(%No%,%%) hardware demo sensors",
                 "S1:CPU Temp(%No%,%)\n  Id: 1\n\nS12:Fan <left> & «right»(%No%,%)\n  Id: 12\n"),
                ("--format-param header:DemoSensor=Sensor:%Id% --format-param show-header=on "
                 "--format-param 'fields:DemoSensor= Id , Reading,Nope' hardware demo sensors",
                 "Sensor     Id  Reading\n---------  --  -------\nSensor:1   1   45.000\nSensor:12  12\n"),
                ("hardware demo config", "Version: 1.5, 2.0\nRecords: 10, 3, 7\nEnabled: true, false\n"),
                ("--formatter table hardware demo config",
                 "Version  Records  Enabled\n-------  -------  -------\n"
                 "1.5      10       true\n2.0      3        false\n         7\n"),
                ("--format-param header:Channel=Channel%Number% hardware demo bmc",
                 "Name:     bmc0\nLan:\n  Address: 192.0.2.1\nChannels:\n  Channel1\n    Number: 1\n\n"
                 "  Channel2\n    Number: 2\nLocation: Rack 4\n          row 2\nPort:\n"),
                ("--formatter table --format-param header:Bmc=BMC%Name% hardware demo bmc",
                 "BMCbmc0\nField     Value\n--------  ----------------------\nName      bmc0\n"
                 "Lan       Address=192.0.2.1\nChannels  {Number=1}, {Number=2}\nLocation  Rack 4 row 2\nPort\n"),
                ("--formatter keyvalue hardware demo sensors",
                 "Id=1\nName=CPU Temp\nReading=45.000\n\nId=12\nName=Fan <left> & «right»\nReading=\n"),
                ("--formatter keyvalue hardware demo bmc",
                 "Name=bmc0\nLan.Address=192.0.2.1\nChannels[0].Number=1\nChannels[1].Number=2\n"
                 "Location=Rack 4\\nrow 2\nPort=\n"),
                ("--formatter json hardware demo bmc",
                 '{\n  "Name": "bmc0",\n  "Lan": {\n    "Address": "192.0.2.1"\n  },\n  "Channels": [\n    {\n'
                 '      "Number": 1\n    },\n    {\n      "Number": 2\n    }\n  ],\n'
                 '  "Location": "Rack 4\\nrow 2",\n  "Port": null\n}\n')]:
            with self.subTest(line):
                self.assertEqual(ostrelcli(line), (0, text, ""))
        self.assertIn('\n  <field name="Records">\n    <list type="int">\n      <int>10</int>\n',
                      ostrelcli("--formatter xml hardware demo config")[1])
        self.assertEqual(ostrelcli("--formatter keyvalue hardware demo echo --name", "\x01\x1f\x7f\r\n\t\\="),
                         (0, "Value=name=\\x01\\x1f\\x7f\\r\\n\\t\\\\=;\n", ""))

    def test_script_formats_read_back_as_the_value(self):
        """What json, xml and csv print reads back as the value the command
        returned. raw has to be escaped or kept byte for byte: UTF-8 at the
        edges of each sequence length, and bytes that are not UTF-8 (which
        Python holds as U+DC80..U+DCFF)."""
        raw = os.fsdecode(b"\x01\x1f\x7f\r\n\t\\\"'<>&,;=|\xc2\x80|\xe0\xa0\x80|\xf0\x90\x80\x80|\xf4\x8f\xbf\xbf|"
                          b"\xed\x9f\xbf|\xee\x80\x80|\xc1\xbf|\xe0\x9f\xbf|\xf0\x8f\xbf\xbf|\xf4\x90\x80\x80|"
                          b"\xed\xa0\x80|\xed\xbf\xbf|\xf8|\xe2\x82")
        # json keeps each byte that is not UTF-8 as the code point of its
        # value; xml puts U+FFFD for what XML cannot carry.
        as_json = "name=" + re.sub("[\udc80-\udcff]", lambda m: chr(ord(m[0]) - 0xDC00), raw) + ";"
        as_xml = "name=" + re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f\udc80-\udcff]", "\ufffd", raw) + ";"
        sensors = [{"Id": 1, "Name": "CPU Temp", "Reading": "45.000"},
                   {"Id": 12, "Name": "Fan <left> & «right»", "Reading": ""}]
        config = {"Version": ["1.5", "2.0"], "Records": [10, 3, 7], "Enabled": [True, False]}
        bmc = {"Name": "bmc0", "Lan": {"Address": "192.0.2.1"}, "Channels": [{"Number": 1}, {"Number": 2}],
               "Location": "Rack 4\nrow 2", "Port": None}
        for words, value, xml_value_, rows in [
                (["sensors"], sensors, sensors, [list(sensors[0])] + [[str(s["Id"]), s["Name"], s["Reading"]]
                                                                      for s in sensors]),
                (["config"], config, config, [list(config), ["1.5", "10", "true"], ["2.0", "3", "false"],
                                              ["", "7", ""]]),
                (["bmc"], bmc, bmc, [list(bmc), ["bmc0", "Address=192.0.2.1", "{Number=1}, {Number=2}",
                                                 "Rack 4\nrow 2", ""]]),
                (["echo", "--name", raw], as_json, as_xml, [["Value"], ["name=" + raw + ";"]])]:
            with self.subTest(words[0]):
                out = {}
                for formatter in ("json", "xml", "csv"):
                    status, out[formatter], err = ostrelcli("--formatter=%s hardware demo" % formatter, *words)
                    self.assertEqual((status, err), (0, ""))
                self.assertEqual(json.dumps(json.loads(out["json"])), json.dumps(value))
                document = xml.dom.minidom.parseString(out["xml"]).documentElement
                self.assertEqual(json.dumps(xml_value(document)), json.dumps(xml_value_))
                self.assertEqual(list(csv.reader(io.StringIO(out["csv"], newline=""), strict=True)), rows)

    def test_openmetrics_reads_back_as_gauge_samples(self):
        """A sample per record in the family its value and error field choose, none for an empty value; HELP and
        TYPE head each family; label values unescape to the text. Missing or bad parameters fail the run."""
        def openmetrics(line="hardware demo gauges", **keys):
            params = [w for key, v in keys.items() for w in ("--format-param", "%s:DemoReading=%s" % (key, v))]
            return ostrelcli("--formatter openmetrics", *params, *line.split())

        ok = {"metric": "demo", "value": "Reading"}
        status, out, err = openmetrics(**ok, labels="Sensor Name", error="Error")
        self.assertEqual((status, err), (0, ""))
        samples, heads = {}, []
        for line in out.splitlines():
            m = re.fullmatch(r'# (HELP|TYPE) (\w+) (.*)|(\w+)\{((?:\w+="(?:[^"\\\n]|\\.)*",?)*)\} (\S+)', line)
            if m[1]:
                heads.append((m[1], m[2]) + ((m[3],) if m[1] == "TYPE" else ()))
                continue
            self.assertEqual(m[4], heads[-1][1])
            labels = tuple((k, re.sub(r"\\(.)", lambda e: "\n" if e[1] == "n" else e[1], v))
                           for k, v in re.findall(r'(\w+)="((?:[^"\\]|\\.)*)"', m[5]))
            samples[labels] = (m[4], m[6])
        self.assertEqual(heads, [head for name in ("demo", "demo_state", "demo_error")
                                 for head in (("HELP", name), ("TYPE", name, "gauge"))])
        self.assertEqual(samples, {
            (("sensor_name", 'CPU "0"'),): ("demo", "45.5"), (("sensor_name", "Amps"),): ("demo", "1500"),
            (("sensor_name", "Bay\\1\nfront \ufffd"), ("state", "Drive Present")): ("demo_state", "1"),
            (("sensor_name", "Volt"), ("state", "inf")): ("demo_state", "1"),
            (("sensor_name", "Fan"), ("error", "timed out")): ("demo_error", "1")})
        for keys, reason in [({"value": "Reading"}, "needs the output parameter 'metric:DemoReading'"),
                             (dict(ok, metric="9demo"), "metric name ([a-zA-Z_:][a-zA-Z0-9_:]*), not '9demo'"),
                             (dict(ok, value="Nope"), "names 'Nope', which DemoReading records lack"),
                             (dict(ok, labels="Reading, Reading"), "label name 'reading', which 'Reading' has already"),
                             (dict(ok, labels="Error"), "label name 'error', which the error label has already"),
                             ({"line": "hardware demo clear"}, "prints records and lists of records, not this result")]:
            with self.subTest(reason):
                status, out, err = openmetrics(**keys)
                self.assertEqual((status, out), (1, ""))
                self.assertRegex(err, r"\Aostrelcli: [^\n]*" + re.escape(reason) + r"[^\n]*\n\Z")

class Plugins(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)

    def test_refusal_rules(self):
        """Every "*.so" of the directory is examined in name order; the refused
        ones are reported one line each, and the good ones still load."""
        skip = "ostrelcli: skipping plug-in '%s/" % self.dir
        refusals = (skip + "a-world.so': it is world-writable (mode 0666)\n" +
                    skip + "b-group.so': it is group-writable (mode 0775)\n")
        add(self.dir, DEMO, "a-world.so", 0o666)
        add(self.dir, DEMO, "b-group.so", 0o775)
        owner = skip + "c-owner.so': it is owned by user id 4321, neither root nor the invoking user\n"
        if os.geteuid() == 0:
            os.chown(add(self.dir, DEMO, "c-owner.so"), 4321, 4321)
            refusals += owner
        add(self.dir, NO_ENTRY, "d-no-entry.so")
        os.mkdir(self.dir + "/e-directory.so")
        add(self.dir, FAILING, "f-failing.so")
        add(self.dir, DEMO, "g-demo.so")
        add(self.dir, __file__, "readme.txt")
        refusals += (skip + "d-no-entry.so': it has no entry point AutoCli_RegisterNamespaces\n" +
                     skip + "e-directory.so': it is not a regular file\n" +
                     "ostrelcli: plug-in '%s/f-failing.so' failed while registering: out of sensors\n" % self.dir)
        # What the failing module hung before it threw stays in the tree.
        self.assertEqual(run(PROGRAM, "--plugin-dir", self.dir, "hardware"), (0, (
            "Usage: ostrelcli [GLOBAL OPTIONS] hardware NAMESPACE... COMMAND [PARAMETERS]\n\n"
            "Hardware of this host.\n\nNamespaces:\n  half  Registered before the failure.\n"
            "  demo  Commands for testing the program.\n\n"
            "Run 'ostrelcli hardware NAME --help' for more about one of them.\n"), refusals))
        debug = run(PROGRAM, "--plugin-dir", self.dir, "--debug", "--format-param", "show-header=true",
                    "hardware", "demo", "sensors")
        self.assertEqual(debug, (0, SENSORS_TABLE, (
            "ostrelcli: plug-in directory '%s'\n%sostrelcli: loaded plug-in '%s/g-demo.so'\n"
            "ostrelcli: formatter 'table', fields:DemoSensor=Name,Reading,Id, show-header=true\n"
            % (self.dir, refusals, self.dir))))
        if os.geteuid() == 0:  # its owner may load c-owner.so, and root's modules
            os.chmod(self.dir, 0o755)
            self.assertEqual(run(PROGRAM, "--plugin-dir", self.dir, "hardware", user=4321)[2],
                             refusals.replace(owner, ""))
        # A file that is not a shared object: the loader's own reason follows.
        add(self.dir, __file__, "0-text.so", 0o644)
        self.assertTrue(run(PROGRAM, "--plugin-dir", self.dir, "hardware")[2].startswith(
            skip + "0-text.so': it cannot be loaded: "))

    def test_directory_comes_from_option_environment_or_beside_the_program(self):
        add(self.dir, DEMO, "demo.so")
        environment = dict(os.environ, OSTRELCLI_PLUGIN_DIR=self.dir)
        self.assertEqual(run(PROGRAM, "hardware", "demo", "clear", env=environment), (0, "true\n", ""))
        self.assertEqual(run(PROGRAM, "--plugin-dir=/nonexistent", "hardware", "demo", "clear", env=environment)[0], 2)
        self.assertEqual(run(PROGRAM, "--plugin-dir", "/nonexistent", "hardware")[::2], (
            0, "ostrelcli: cannot read the plug-in directory '/nonexistent': No such file or directory\n"))
        # An installed layout, moved anywhere: bin/, lib/, lib/ostrelcli/plugins/.
        # Without the plug-in directory it runs quietly with nothing loaded.
        prefix = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, prefix)
        os.makedirs(prefix + "/lib/ostrelcli")
        add(prefix + "/lib", LIBKELVO, "libkelvo.so")
        os.mkdir(prefix + "/bin")
        installed = add(prefix + "/bin", PROGRAM, "ostrelcli")
        self.assertEqual(run(installed, "hardware", "demo"), (2, "", (
            "ostrelcli: 'demo' is not a namespace or command in 'hardware', which is empty\n"
            "Try 'ostrelcli hardware --help' for more information.\n")))
        shutil.copytree(self.dir, prefix + "/lib/ostrelcli/plugins")
        self.assertEqual(run(installed, "hardware", "demo", "clear"), (0, "true\n", ""))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
