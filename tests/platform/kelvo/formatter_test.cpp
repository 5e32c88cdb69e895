// Every formatter on every result shape, against golden texts; the script
// formats are also read back by independent parsers.

#include "formatter.h"
#include "run_program.h"
#include "shapes.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

using Kelvo::Format::FormatterRegistry;
using Kelvo::Format::OutputParameters;
using kelvo_test::MetaObj::MetaValue;
using Params = std::vector<std::pair<std::string, std::string>>;

std::string Format(const std::string& formatter, const MetaValue& value, const Params& params = {}) {
  static const FormatterRegistry registry = FormatterRegistry::WithBuiltins();
  const auto* chosen = registry.Find(formatter);
  if (!chosen) {
    ADD_FAILURE() << "no formatter " << formatter;
    return {};
  }
  std::ostringstream out;
  chosen->Print(value, OutputParameters(params), out);
  return out.str();
}

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line + "\r\n";
  }
  return text;
}

struct Shape {
  const char* name;
  std::function<std::shared_ptr<MetaValue>()> make;
};

const Shape kShapes[] = {
    {"list of structures", kelvo_test::ListOfStructs},
    {"structure of lists", kelvo_test::StructOfLists},
    {"structure with a list field", kelvo_test::StructWithListField},
    {"lone boolean", kelvo_test::LoneBoolean},
    {"empty list", kelvo_test::EmptyList},
};

struct Golden {
  const char* formatter;
  const char* shape;
  std::string expected;
};

const Shape& ShapeNamed(const std::string& name) {
  for (const auto& shape : kShapes) {
    if (name == shape.name) {
      return shape;
    }
  }
  throw std::invalid_argument(name);
}

const std::vector<Golden>& Goldens() {
  static const std::vector<Golden> goldens = {
      {"simple", "list of structures",
       "Id:      1\n"
       "Name:    CPU Temp\n"
       "Reading: 45.000\n"
       "Unit:    degrees C\n"
       "Present:\n"
       "\n"
       "Id:      12\n"
       "Name:    Fan \"A\", <left> & right\n"
       "Reading:\n"
       "Unit:\n"
       "Present:\n"},
      {"simple", "structure of lists",
       "Version: 1.5, 2.0\n"
       "Records: 10, 3\n"
       "Enabled: true, false\n"},
      {"simple", "structure with a list field",
       "Manufacturer:     Acme\n"
       "Firmware Version: 1.02\n"
       "Addresses:        fe80::1, 2001:db8::7\n"
       "Port:\n"},
      {"simple", "lone boolean", "true\n"},
      {"simple", "empty list", ""},

      {"table", "list of structures",
       "Id  Name                     Reading  Unit       Present\n"
       "--  -----------------------  -------  ---------  -------\n"
       "1   CPU Temp                 45.000   degrees C\n"
       "12  Fan \"A\", <left> & right\n"},
      {"table", "structure of lists",
       "Version  Records  Enabled\n"
       "-------  -------  -------\n"
       "1.5      10       true\n"
       "2.0      3        false\n"},
      {"table", "structure with a list field",
       "Field             Value\n"
       "----------------  --------------------\n"
       "Manufacturer      Acme\n"
       "Firmware Version  1.02\n"
       "Addresses         fe80::1, 2001:db8::7\n"
       "Port\n"},
      {"table", "lone boolean", "true\n"},
      {"table", "empty list", ""},

      {"json", "list of structures", R"([
  {
    "Id": 1,
    "Name": "CPU Temp",
    "Reading": "45.000",
    "Unit": "degrees C",
    "Present": null
  },
  {
    "Id": 12,
    "Name": "Fan \"A\", <left> & right",
    "Reading": "",
    "Unit": "",
    "Present": null
  }
]
)"},
      {"json", "structure of lists", R"({
  "Version": [
    "1.5",
    "2.0"
  ],
  "Records": [
    10,
    3
  ],
  "Enabled": [
    true,
    false
  ]
}
)"},
      {"json", "structure with a list field", R"({
  "Manufacturer": "Acme",
  "Firmware Version": "1.02",
  "Addresses": [
    "fe80::1",
    "2001:db8::7"
  ],
  "Port": null
}
)"},
      {"json", "lone boolean", "true\n"},
      {"json", "empty list", "[]\n"},

      {"xml", "list of structures", R"(<?xml version="1.0" encoding="UTF-8"?>
<list type="struct">
  <struct type="Sensor">
    <field name="Id">
      <int>1</int>
    </field>
    <field name="Name">
      <string>CPU Temp</string>
    </field>
    <field name="Reading">
      <string>45.000</string>
    </field>
    <field name="Unit">
      <string>degrees C</string>
    </field>
    <field name="Present">
      <bool/>
    </field>
  </struct>
  <struct type="Sensor">
    <field name="Id">
      <int>12</int>
    </field>
    <field name="Name">
      <string>Fan &quot;A&quot;, &lt;left&gt; &amp; right</string>
    </field>
    <field name="Reading">
      <string></string>
    </field>
    <field name="Unit">
      <string></string>
    </field>
    <field name="Present">
      <bool/>
    </field>
  </struct>
</list>
)"},
      {"xml", "structure of lists", R"(<?xml version="1.0" encoding="UTF-8"?>
<struct type="Config">
  <field name="Version">
    <list type="string">
      <string>1.5</string>
      <string>2.0</string>
    </list>
  </field>
  <field name="Records">
    <list type="int">
      <int>10</int>
      <int>3</int>
    </list>
  </field>
  <field name="Enabled">
    <list type="bool">
      <bool>true</bool>
      <bool>false</bool>
    </list>
  </field>
</struct>
)"},
      {"xml", "structure with a list field", R"(<?xml version="1.0" encoding="UTF-8"?>
<struct type="Bmc">
  <field name="Manufacturer">
    <string>Acme</string>
  </field>
  <field name="Firmware Version">
    <string>1.02</string>
  </field>
  <field name="Addresses">
    <list type="string">
      <string>fe80::1</string>
      <string>2001:db8::7</string>
    </list>
  </field>
  <field name="Port">
    <int/>
  </field>
</struct>
)"},
      {"xml", "lone boolean", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<bool>true</bool>\n"},
      {"xml", "empty list", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<list type=\"struct\"/>\n"},

      {"csv", "list of structures",
       CrLf({"Id,Name,Reading,Unit,Present", "1,CPU Temp,45.000,degrees C,",
             "12,\"Fan \"\"A\"\", <left> & right\",,,"})},
      {"csv", "structure of lists", CrLf({"Version,Records,Enabled", "1.5,10,true", "2.0,3,false"})},
      {"csv", "structure with a list field",
       CrLf({"Manufacturer,Firmware Version,Addresses,Port", "Acme,1.02,\"fe80::1, 2001:db8::7\","})},
      {"csv", "lone boolean", CrLf({"Value", "true"})},
      {"csv", "empty list", CrLf({"Id,Name,Reading,Unit,Present"})},

      {"keyvalue", "list of structures",
       "Id=1\nName=CPU Temp\nReading=45.000\nUnit=degrees C\nPresent=\n"
       "\n"
       "Id=12\nName=Fan \"A\", <left> & right\nReading=\nUnit=\nPresent=\n"},
      {"keyvalue", "structure of lists",
       "Version[0]=1.5\nVersion[1]=2.0\nRecords[0]=10\nRecords[1]=3\nEnabled[0]=true\nEnabled[1]=false\n"},
      {"keyvalue", "structure with a list field",
       "Manufacturer=Acme\nFirmware Version=1.02\nAddresses[0]=fe80::1\nAddresses[1]=2001:db8::7\nPort=\n"},
      {"keyvalue", "lone boolean", "Value=true\n"},
      {"keyvalue", "empty list", ""},
  };
  return goldens;
}

TEST(KelvoFormatters, EveryFormatterRendersEveryShape) {
  for (const auto& golden : Goldens()) {
    auto value = ShapeNamed(golden.shape).make();
    EXPECT_EQ(Format(golden.formatter, *value), golden.expected)
        << golden.formatter << " on a " << golden.shape;
  }
  // The table covers each pair once.
  EXPECT_EQ(Goldens().size(), FormatterRegistry::WithBuiltins().Names().size() * std::size(kShapes));
}

TEST(KelvoFormatters, RegistryKnowsTheSixNames) {
  EXPECT_EQ(FormatterRegistry::WithBuiltins().Names(),
            (std::vector<std::string>{"csv", "json", "keyvalue", "simple", "table", "xml"}));
  EXPECT_EQ(FormatterRegistry::WithBuiltins().Find("yaml"), nullptr);
}

// The output parameters of a command steer simple and table.
TEST(KelvoFormatters, OutputParametersSelectFieldsAndHeadings) {
  struct Case {
    const char* formatter;
    Params params;
    std::function<std::shared_ptr<MetaValue>()> make;
    std::string expected;
  };
  const Params selectAndHead = {{"fields:Sensor", "Reading, Name ,Nope,Id"},
                                {"header:Sensor", "Sensor %Id%: %Name% (%Missing%, 100%%)"}};
  const std::vector<Case> cases = {
      {"simple", selectAndHead, kelvo_test::ListOfStructs,
       "Sensor 1: CPU Temp (%Missing%, 100%)\n"
       "  Reading: 45.000\n"
       "  Name:    CPU Temp\n"
       "  Id:      1\n"
       "\n"
       "Sensor 12: Fan \"A\", <left> & right (%Missing%, 100%)\n"
       "  Reading:\n"
       "  Name:    Fan \"A\", <left> & right\n"
       "  Id:      12\n"},
      {"table", selectAndHead, kelvo_test::ListOfStructs,
       "Sensor                                                Reading  Name                     Id\n"
       "----------------------------------------------------  -------  -----------------------  --\n"
       "Sensor 1: CPU Temp (%Missing%, 100%)                  45.000   CPU Temp                 1\n"
       "Sensor 12: Fan \"A\", <left> & right (%Missing%, 100%)           Fan \"A\", <left> & right  12\n"},
      {"simple",
       {{"fields:Sensor", "Id,Name"}, {"header:Sensor", "Sensor %Id%"}, {"show-header", "false"}},
       kelvo_test::ListOfStructs,
       "Id:   1\nName: CPU Temp\n\nId:   12\nName: Fan \"A\", <left> & right\n"},
      {"table",
       {{"fields:Sensor", "Id,Name"}, {"header:Sensor", "Sensor %Id%"}, {"show-header", "false"}},
       kelvo_test::ListOfStructs,
       "Id  Name\n--  -----------------------\n1   CPU Temp\n12  Fan \"A\", <left> & right\n"},
      // A fields key for another type changes nothing.
      {"simple",
       {{"fields:Other", "Manufacturer"}},
       kelvo_test::StructWithListField,
       "Manufacturer:     Acme\nFirmware Version: 1.02\nAddresses:        fe80::1, 2001:db8::7\nPort:\n"},
      // show-header without a heading template heads the record with its type.
      {"simple",
       {{"show-header", "true"}, {"fields:Bmc", "Port,Manufacturer"}},
       kelvo_test::StructWithListField,
       "Bmc\n  Port:\n  Manufacturer: Acme\n"},
      {"table",
       {{"fields:Config", "Enabled,Version"}},
       kelvo_test::StructOfLists,
       "Enabled  Version\n-------  -------\ntrue     1.5\nfalse    2.0\n"},
      {"table",
       {{"show-header", "true"}, {"fields:Config", "Records"}},
       kelvo_test::StructOfLists,
       "Config\nRecords\n-------\n10\n3\n"},
      {"table",
       {{"header:Bmc", "BMC by %Manufacturer%"}, {"fields:Bmc", "Port,Manufacturer"}},
       kelvo_test::StructWithListField,
       "BMC by Acme\nField         Value\n------------  -----\nPort\nManufacturer  Acme\n"},
      // Script formats show the value itself, whatever the parameters say.
      {"csv",
       {{"fields:Config", "Enabled"}},
       kelvo_test::StructOfLists,
       CrLf({"Version,Records,Enabled", "1.5,10,true", "2.0,3,false"})},
      {"keyvalue",
       {{"fields:Bmc", "Port"}, {"show-header", "true"}},
       kelvo_test::StructWithListField,
       "Manufacturer=Acme\nFirmware Version=1.02\nAddresses[0]=fe80::1\nAddresses[1]=2001:db8::7\nPort=\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Format(c.formatter, *c.make(), c.params), c.expected) << c.formatter;
  }
}

TEST(KelvoFormatters, TerminalFormattersAlignByCharactersAndKeepRowsOnOneLine) {
  auto list = kelvo_test::MetaObj::MetaList::New(kelvo_test::MetaObj::META_STRUCT);
  list->Add(kelvo_test::Sensor(1, "Temp\302\260", "two\nlines", ""));
  list->Add(kelvo_test::Sensor(2, "Fan", "x", ""));
  EXPECT_EQ(Format("table", *list, {{"fields:Sensor", "Name,Reading,Id"}}),
            "Name   Reading    Id\n"
            "-----  ---------  --\n"
            "Temp\302\260  two lines  1\n"
            "Fan    x          2\n");
  EXPECT_EQ(Format("simple", *list, {{"fields:Sensor", "Reading,Name"}}),
            "Reading: two\n"
            "         lines\n"
            "Name:    Temp\302\260\n"
            "\n"
            "Reading: x\n"
            "Name:    Fan\n");
}

TEST(KelvoFormatters, ScriptFormatsEscapeWhatTheirSyntaxReserves) {
  auto record = kelvo_test::MetaObj::MetaStruct::New("T");
  record->SetField("Text", std::string("a\\b\tc\nd\x01 \xff"));
  record->SetField("Key=Name", 1);
  EXPECT_EQ(Format("json", *record),
            "{\n  \"Text\": \"a\\\\b\\tc\\nd\\u0001 \\u00ff\",\n  \"Key=Name\": 1\n}\n");
  EXPECT_EQ(Format("keyvalue", *record), "Text=a\\\\b\\tc\\nd\\x01 \xff\nKey\\=Name=1\n");
  EXPECT_EQ(Format("xml", *record),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<struct type=\"T\">\n"
            "  <field name=\"Text\">\n    <string>a\\b\tc\nd\xef\xbf\xbd \xef\xbf\xbd</string>\n  </field>\n"
            "  <field name=\"Key=Name\">\n    <int>1</int>\n  </field>\n</struct>\n");
  EXPECT_EQ(Format("csv", *record), "Text,Key=Name\r\n\"a\\b\tc\nd\x01 \xff\",1\r\n");
}

// json.tool, the XML parser and the csv module are strict; whatever the
// values hold, the output must pass them and read back the same.
TEST(KelvoFormatters, ScriptOutputsParseWithIndependentReaders) {
  auto tricky = kelvo_test::MetaObj::MetaStruct::New("Tricky");
  tricky->SetField("Controls", std::string("\x01\x02\x1f\x7f\r\n\t"));
  tricky->SetField("Not UTF-8", std::string("\xc3\x28\xa0\xa1\xe2\x82"));
  tricky->SetField("Quotes", std::string("\"'<>&,;=%"));
  tricky->SetField("Unicode", std::string("\xe2\x82\xac \xf0\x9f\x98\x80"));
  tricky->SetField("Negative", -42L);
  std::vector<std::pair<std::string, std::shared_ptr<MetaValue>>> values = {{"tricky structure", tricky}};
  for (const auto& shape : kShapes) {
    values.emplace_back(shape.name, shape.make());
  }
  const std::string json = "import json,sys; json.load(sys.stdin)";
  const std::string xml = "import sys, xml.dom.minidom as m; m.parse(sys.stdin.buffer)";
  const std::string csv =
      "import csv,io,sys; rows=list(csv.reader(io.TextIOWrapper(sys.stdin.buffer, newline='', "
      "errors='surrogateescape'), strict=True)); assert rows and all(len(r)==len(rows[0]) for r in rows), "
      "rows";
  for (const auto& value : values) {
    for (const auto& check :
         {std::make_pair("json", json), std::make_pair("xml", xml), std::make_pair("csv", csv)}) {
      std::string text = Format(check.first, *value.second);
      auto result = kelvo_test::CheckWithPython(check.second, text);
      EXPECT_EQ(result.first, 0) << check.first << " of " << value.first << ":\n" << text << result.second;
    }
    std::string json = Format("json", *value.second);
    auto result = kelvo_test::CheckWithJsonTool(json);
    EXPECT_EQ(result.first, 0) << "json.tool on " << value.first << ":\n" << json << result.second;
  }
}

TEST(KelvoFormatters, JsonReadsBackAsTheSameValue) {
  std::string text = Format("json", *kelvo_test::ListOfStructs());
  auto result = kelvo_test::CheckWithPython(
      "import json,sys; v=json.load(sys.stdin); "
      "assert [list(r) for r in v] == [['Id','Name','Reading','Unit','Present']]*2; "
      "assert v[1]['Name'] == 'Fan \"A\", <left> & right' and v[1]['Id'] == 12 and v[0]['Present'] is None",
      text);
  EXPECT_EQ(result.first, 0) << result.second;
}

}  // namespace

namespace {

// Structures inside structures: the model allows them, so every formatter
// must cope even though commands rarely nest.
TEST(KelvoFormatters, NestedStructuresIndentAndNest) {
  using namespace kelvo_test::MetaObj;
  auto lan = MetaStruct::New("Lan");
  lan->SetField("Address", "192.0.2.1");
  auto channels = MetaList::New(META_STRUCT);
  for (int number : {1, 2}) {
    auto channel = MetaStruct::New("Channel");
    channel->SetField("Number", number);
    channels->Add(channel);
  }
  auto bmc = MetaStruct::New("Bmc");
  bmc->SetField("Name", "bmc0");
  bmc->SetField("Lan", lan);
  bmc->SetField("Channels", channels);
  const Params heading = {{"header:Channel", "Channel %Number%"}};
  EXPECT_EQ(Format("simple", *bmc, heading),
            "Name:     bmc0\n"
            "Lan:\n"
            "  Address: 192.0.2.1\n"
            "Channels:\n"
            "  Channel 1\n"
            "    Number: 1\n"
            "\n"
            "  Channel 2\n"
            "    Number: 2\n");
  EXPECT_EQ(Format("table", *bmc, heading),
            "Field     Value\n"
            "--------  ----------------------\n"
            "Name      bmc0\n"
            "Lan       Address=192.0.2.1\n"
            "Channels  {Number=1}, {Number=2}\n");
  EXPECT_EQ(Format("keyvalue", *bmc),
            "Name=bmc0\nLan.Address=192.0.2.1\nChannels[0].Number=1\nChannels[1].Number=2\n");
  EXPECT_EQ(
      Format("json", *bmc),
      "{\n  \"Name\": \"bmc0\",\n  \"Lan\": {\n    \"Address\": \"192.0.2.1\"\n  },\n"
      "  \"Channels\": [\n    {\n      \"Number\": 1\n    },\n    {\n      \"Number\": 2\n    }\n  ]\n}\n");
}

}  // namespace
