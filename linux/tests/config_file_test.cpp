#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "linux/config_file.h"

namespace {

ConfigRecord Parse(const std::string& text) {
  ConfigRecord c;
  std::memset(&c, 0x5A, sizeof c);  // ParseConf must clear what it does not set
  FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (!f) f = std::tmpfile();  // fmemopen refuses a size of zero
  ParseConf(f, &c);
  std::fclose(f);
  return c;
}

// Every field of a record against the values the test expects, in the
// file's order of lines.
struct Fields {
  int32_t autonomy_min, recharge_h;
  int off_at_autonomy_end, off_at_battery_critical, beep_on, console_on, local_ups;
  const char* device;
  int lan_send;
  const char* station;
  int lan_receive, accept_any;
  const char* server;
  int bypass_on, stable_filter, script_on;
  const char* script;
};

void ExpectEveryField(const ConfigRecord& c, const Fields& e) {
  EXPECT_EQ(c.autonomy_min, e.autonomy_min);
  EXPECT_EQ(c.recharge_h, e.recharge_h);
  EXPECT_EQ(c.off_at_autonomy_end, e.off_at_autonomy_end);
  EXPECT_EQ(c.off_at_battery_critical, e.off_at_battery_critical);
  EXPECT_EQ(c.beep_on, e.beep_on);
  EXPECT_EQ(c.console_on, e.console_on);
  EXPECT_EQ(c.local_ups, e.local_ups);
  EXPECT_STREQ(c.device, e.device);
  EXPECT_EQ(c.lan_send, e.lan_send);
  EXPECT_STREQ(c.station, e.station);
  EXPECT_EQ(c.lan_receive, e.lan_receive);
  EXPECT_EQ(c.accept_any, e.accept_any);
  EXPECT_STREQ(c.server, e.server);
  EXPECT_EQ(c.bypass_on, e.bypass_on);
  EXPECT_EQ(c.stable_filter, e.stable_filter);
  EXPECT_EQ(c.script_on, e.script_on);
  EXPECT_STREQ(c.script, e.script);
}

// Seventeen lines with one replaced.
std::string FileWith(int line, const std::string& replacement) {
  std::vector<std::string> lines = {
      "Autonomia (minutos) = 10",       "Recarga (horas) = 2",      "Desligar no fim = sim",
      "Desligar bateria baixa = sim",   "Beep = sim",               "Console = sim",
      "Nobreak local = sim",            "Porta = COM1",             "Enviar = sim",
      "Estacao = servidor",             "Receber = nao",            "Qualquer = nao",
      "Servidor = outro",               "Bypass = sim",             "Filtro = sim",
      "Script = sim",                   "Comando = /bin/true",
  };
  lines[line - 1] = replacement;
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

TEST(ReadConfTest, FullFileFillsEveryField) {
  ConfigRecord c = Parse(FileWith(1, "Autonomia (minutos) = 10"));
  ExpectEveryField(c, {10, 2, 1, 1, 1, 1, 1, "/dev/ttyS0", 1, "servidor", 0, 0, "outro", 1, 1, 1, "/bin/true"});
}

TEST(ReadConfTest, NumbersStartTwoCharactersAfterTheLastEquals) {
  EXPECT_EQ(Parse(FileWith(1, "a = 15")).autonomy_min, 15);
  EXPECT_EQ(Parse(FileWith(1, "a =15")).autonomy_min, 5);
  EXPECT_EQ(Parse(FileWith(1, "a = b = 7")).autonomy_min, 7);
  EXPECT_EQ(Parse(FileWith(1, "a = dez")).autonomy_min, 0);
  EXPECT_EQ(Parse(FileWith(2, "r = 3 horas")).recharge_h, 3);
  // Nonsense for a battery: held at zero, never negative or overflowing.
  EXPECT_EQ(Parse(FileWith(1, "a = -5")).autonomy_min, 0);
  EXPECT_EQ(Parse(FileWith(1, "a = 99999999999999")).autonomy_min, INT32_MAX / 60);
  EXPECT_EQ(Parse(FileWith(2, "r = 99999999999999")).recharge_h, INT32_MAX / 3600);
}

TEST(ReadConfTest, YesNoWords) {
  EXPECT_EQ(Parse(FileWith(7, "Local = nao")).local_ups, 0);
  EXPECT_EQ(Parse(FileWith(7, "Local = talvez nao!")).local_ups, 0);
  EXPECT_EQ(Parse(FileWith(7, "Local = ")).local_ups, 1);
  EXPECT_EQ(Parse(FileWith(7, "Local = n\xC3\xA3o")).local_ups, 1);  // accented: not the word
  EXPECT_EQ(Parse(FileWith(7, "Local = NAO")).local_ups, 1);
  // The label in front of "=" is never read.
  EXPECT_EQ(Parse(FileWith(7, "nao = sim")).local_ups, 1);
  EXPECT_EQ(Parse(FileWith(15, "Filtro = nao")).stable_filter, 1);
  EXPECT_EQ(Parse(FileWith(15, "Filtro = naom")).stable_filter, 0);
  EXPECT_EQ(Parse(FileWith(9, "Enviar = Sim")).lan_send, 0);
  EXPECT_EQ(Parse(FileWith(9, "Enviar = assim")).lan_send, 1);
  EXPECT_EQ(Parse(FileWith(16, "Script = nao")).script_on, 0);
}

TEST(ReadConfTest, TextsKeepBlanksBeforeTheNewline) {
  EXPECT_STREQ(Parse(FileWith(10, "Estacao = localhost  ")).station, "localhost  ");
  EXPECT_STREQ(Parse(FileWith(10, "Estacao = localhost")).station, "localhost");
  EXPECT_STREQ(Parse(FileWith(13, "Servidor = ")).server, "");
}

TEST(ReadConfTest, DeviceFromComWord) {
  EXPECT_STREQ(Parse(FileWith(8, "Porta = COM3")).device, "/dev/ttyS2");
  EXPECT_FALSE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = COM8")).device, "/dev/ttyS7");
  EXPECT_STREQ(Parse(FileWith(8, "Porta = COM2 ou COM1")).device, "/dev/ttyS0");
  // Neither a port from COM1 to COM8 nor a path: the old default, told.
  EXPECT_STREQ(Parse(FileWith(8, "Porta = COM9")).device, "/dev/ttyS1");
  EXPECT_TRUE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = com3")).device, "/dev/ttyS1");
  EXPECT_TRUE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = ttyUSB0")).device, "/dev/ttyS1");
  EXPECT_TRUE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = COM1")).device, "/dev/ttyS0");
  EXPECT_FALSE(device_defaulted) << "each parse says it afresh";
}

TEST(ReadConfTest, DeviceFromAnAbsolutePath) {
  EXPECT_STREQ(Parse(FileWith(8, "Porta = /dev/ttyUSB0")).device, "/dev/ttyUSB0");
  EXPECT_FALSE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = /dev/ttyS0")).device, "/dev/ttyS0");
  // The blanks around the path are not part of it; an adapter's stable
  // name is taken whole, even where it holds a COM word.
  EXPECT_STREQ(Parse(FileWith(8, "Porta =   /dev/serial/by-id/usb-FTDI_COM1_A1-if00-port0 \t")).device,
               "/dev/serial/by-id/usb-FTDI_COM1_A1-if00-port0");
  EXPECT_STREQ(Parse("a = 1\nb = 1\nc = sim\nd = sim\ne = sim\nf = sim\ng = sim\nh = /dev/ttyACM0\r\n").device,
               "/dev/ttyACM0");
  // A path too long for the field is refused rather than cut into another
  // file's name.
  std::string longest = "/dev/" + std::string(94, 'x');
  EXPECT_STREQ(Parse(FileWith(8, "Porta = " + longest)).device, longest.c_str());
  EXPECT_FALSE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = " + longest + "x")).device, "/dev/ttyS1");
  EXPECT_TRUE(device_defaulted);
}

// A USB UPS's name is kept as written, malformed or not, never replaced
// by a serial port: the line monitor refuses a bad one at start.
TEST(ReadConfTest, DeviceNamesAUsbUps) {
  EXPECT_STREQ(Parse(FileWith(8, "Porta = usb")).device, "usb");
  EXPECT_FALSE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta =  usb:051D:0002 \t")).device, "usb:051D:0002");
  EXPECT_STREQ(Parse(FileWith(8, "Porta = usb:051D:0002:AS1234567\r")).device, "usb:051D:0002:AS1234567");
  EXPECT_STREQ(Parse(FileWith(8, "Porta = /dev/hidraw3")).device, "/dev/hidraw3");
  EXPECT_STREQ(Parse(FileWith(8, "Porta = usb:COM1")).device, "usb:COM1");
  EXPECT_FALSE(device_defaulted);
  // Longer than the field: cut, which no USB name survives (a serial has
  // at most 63 bytes), so the start fails instead of naming another UPS.
  std::string serial(120, 'S');
  EXPECT_EQ(std::strlen(Parse(FileWith(8, "Porta = usb:1:2:" + serial)).device), 99u);
  // Near misses stay serial ports.
  EXPECT_STREQ(Parse(FileWith(8, "Porta = usb0")).device, "/dev/ttyS1");
  EXPECT_TRUE(device_defaulted);
  EXPECT_STREQ(Parse(FileWith(8, "Porta = USB")).device, "/dev/ttyS1");
  EXPECT_STREQ(Parse(FileWith(8, "Porta = /dev/serial/by-id/usb-FTDI-if00")).device, "/dev/serial/by-id/usb-FTDI-if00");
}

// The word after line 1's number chooses the linear model; the record reads
// exactly as without it, which is all an older parser sees.
TEST(ReadConfTest, LinearAutonomyWordLeavesTheRecordAsBefore) {
  ConfigRecord plain = Parse(FileWith(1, "Autonomia (minutos) = 10"));
  EXPECT_FALSE(autonomy_linear);
  ConfigRecord linear = Parse(FileWith(1, "Autonomia (minutos) = 10 linear"));
  EXPECT_TRUE(autonomy_linear);
  EXPECT_EQ(std::memcmp(&plain, &linear, sizeof plain), 0);
  EXPECT_EQ(linear.autonomy_min, 10);
  Parse(FileWith(1, "Autonomia (minutos) = 10"));
  EXPECT_FALSE(autonomy_linear) << "each parse says it afresh";
  EXPECT_TRUE((Parse(FileWith(1, "Autonomia (minutos) = 7\tlinear\r")), autonomy_linear));
  EXPECT_FALSE((Parse(FileWith(1, "Autonomia (minutos) = 7 lin")), autonomy_linear));
  // Only after the number: a label holding the word does not choose it.
  EXPECT_FALSE((Parse(FileWith(1, "Autonomia linear = 7")), autonomy_linear));
  EXPECT_FALSE((Parse(FileWith(2, "Recarga = 2 linear")), autonomy_linear));
  EXPECT_EQ(Parse(FileWith(1, "Autonomia = linear")).autonomy_min, 0);
}

TEST(ReadConfTest, LineWithoutEqualsKeepsZero) {
  ConfigRecord c = Parse(FileWith(1, "Autonomia 10"));
  EXPECT_EQ(c.autonomy_min, 0);
  EXPECT_EQ(c.recharge_h, 2);  // the lines after it keep their places
  c = Parse(FileWith(7, "Nobreak local"));
  EXPECT_EQ(c.local_ups, 0);
  EXPECT_STREQ(Parse(FileWith(8, "Porta")).device, "");
  EXPECT_STREQ(Parse(FileWith(10, "Estacao")).station, "");
}

TEST(ReadConfTest, ShortOrEmptyFileLeavesTheRestAtZero) {
  ConfigRecord c = Parse("");
  ConfigRecord zero;
  std::memset(&zero, 0, sizeof zero);
  EXPECT_EQ(std::memcmp(&c, &zero, sizeof c), 0);

  c = Parse("a = 10\nb = 1\nc = sim\nd = sim\ne = sim\nf = sim\ng = sim");
  EXPECT_EQ(c.autonomy_min, 10);
  EXPECT_EQ(c.local_ups, 1);  // last line, without its newline
  EXPECT_STREQ(c.device, "");
  EXPECT_EQ(c.bypass_on, 0);  // a word line that is absent is not "on"
  EXPECT_EQ(c.stable_filter, 0);
  EXPECT_STREQ(c.script, "");
}

TEST(ReadConfTest, EqualsAtTheVeryEndReadsAnEmptyValue) {
  ConfigRecord c = Parse("a =");
  EXPECT_EQ(c.autonomy_min, 0);
  c = Parse("a = 1\nb = 1\nc = sim\nd = sim\ne = sim\nf = sim\ng = sim\nh = COM1\ni = sim\nj =");
  EXPECT_EQ(c.lan_send, 1);
  EXPECT_STREQ(c.station, "");
}

TEST(ReadConfTest, LongTextsAreCutToTheirFields) {
  std::string name(300, 'n');
  ConfigRecord c = Parse(FileWith(10, "Estacao = " + name));
  EXPECT_EQ(std::strlen(c.station), 127u);
  c = Parse(FileWith(13, "Servidor = " + name));
  EXPECT_EQ(std::strlen(c.server), 127u);
  EXPECT_STREQ(c.script, "/bin/true");

  std::string command(1000, 'x');
  c = Parse(FileWith(17, "Comando = " + command));
  EXPECT_EQ(std::string(c.script), command);

  // The port word must lie within the device field's 99 characters.
  c = Parse(FileWith(8, "Porta = " + std::string(96, ' ') + "COM3"));
  EXPECT_STREQ(c.device, "/dev/ttyS1");
  c = Parse(FileWith(8, "Porta = " + std::string(90, ' ') + "COM3"));
  EXPECT_STREQ(c.device, "/dev/ttyS2");
}

TEST(ReadConfTest, OverlongLineDoesNotShiftTheFollowingSettings) {
  ConfigRecord c = Parse(FileWith(10, "Estacao = " + std::string(3000, 'y')));
  EXPECT_EQ(std::strlen(c.station), 127u);
  EXPECT_EQ(c.lan_receive, 0);
  EXPECT_STREQ(c.server, "outro");
  EXPECT_STREQ(c.script, "/bin/true");
}

TEST(ReadConfTest, NulBytesNeverMoveTheFollowingLines) {
  const std::string nul(1, '\0');
  std::string text = FileWith(3, "Desligar no" + nul + " fim da autonomia = sim");
  ConfigRecord c = Parse(text);
  EXPECT_EQ(c.off_at_autonomy_end, 1);
  EXPECT_EQ(c.off_at_battery_critical, 1);
  EXPECT_STREQ(c.station, "servidor");
  EXPECT_STREQ(c.script, "/bin/true");
  // In a value too: the text around it stays one value.
  c = Parse(FileWith(10, "Estacao = srv" + nul + "1"));
  EXPECT_STREQ(c.station, "srv1");
  EXPECT_STREQ(c.server, "outro");
}

TEST(ReadConfTest, CrlfLineEndsAreNotPartOfTheValues) {
  std::string text = FileWith(1, "Autonomia (minutos) = 10");
  std::string crlf;
  for (char ch : text) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  ConfigRecord c = Parse(crlf);
  EXPECT_EQ(c.autonomy_min, 10);
  EXPECT_STREQ(c.device, "/dev/ttyS0");
  EXPECT_STREQ(c.station, "servidor");
  EXPECT_STREQ(c.server, "outro");
  EXPECT_STREQ(c.script, "/bin/true");
  // The last line without its newline, and a CR inside a value, which stays.
  c = Parse(FileWith(17, "Comando = a\rb"));
  EXPECT_STREQ(c.script, "a\rb");
  std::string last = crlf.substr(0, crlf.size() - 2);
  EXPECT_STREQ(Parse(last).script, "/bin/true");
}

TEST(StrCopyTest, CleansTexts) {
  EXPECT_EQ(StrCopy(nullptr), nullptr);
  EXPECT_STREQ(StrCopy("abc  \n"), "abc  ");
  EXPECT_STREQ(StrCopy("abc\ndef"), "abc");
  EXPECT_STREQ(StrCopy("abc  "), "abc");
  EXPECT_STREQ(StrCopy("a b"), "a b");
  EXPECT_STREQ(StrCopy("   "), "");
  EXPECT_STREQ(StrCopy("Tue Dec  8 16:49:26 2026\n"), "Tue Dec  8 16:49:26 2026");
  std::string huge(5000, 'h');
  EXPECT_EQ(std::strlen(StrCopy(huge.c_str())), 2999u);
}

TEST(FixedSettingsTest, Values) {
  DaemonConfig d;
  SetFixedSettings(&d);
  EXPECT_EQ(d.period_us, 100000);
  EXPECT_STREQ(d.address, "255.255.255.255");
  EXPECT_EQ(d.port, 2648);
}

}  // namespace

namespace {

// The sample installed with the program must mean what its labels say.
TEST(ReadConfTest, SampleFileReadsAsDocumented) {
  FILE* f = std::fopen(VIGIL20_SAMPLE_CONF, "r");
  ASSERT_NE(f, nullptr);
  ConfigRecord c;
  KeyConfig k;
  std::memset(&k, 0x5A, sizeof k);
  ParseConf(f, &c, &k);
  std::fclose(f);
  EXPECT_STREQ(k.net_key, "");  // unsigned, as a station of before
  ExpectEveryField(c, {15, 10, 1, 1, 1, 1, 1, "/dev/ttyS0", 0, "localhost", 0, 0, "servidor", 1, 1, 0,
                       "/usr/local/vigil20/antes-de-desligar"});
}

// Line 18, the network's key: optional, the whole text after the first "="
// and its blank, without trailing blanks; the seventeen lines unchanged.
TEST(ReadConfTest, EighteenthLineIsTheNetworkKey) {
  struct Case {
    std::string line, key;
  } cases[] = {
      {"Chave da rede = segredo", "segredo"},
      {"Chave da rede = a=b==", "a=b=="},
      {"Chave da rede = com espacos  \t ", "com espacos"},
      {"Chave da rede = crlf\r", "crlf"},
      {"Chave da rede = ", ""},
      {"Chave da rede =", ""},
      {"sem sinal de igual", ""},
      {"Chave da rede = " + std::string(2000, 'k'), std::string(1022 - 16, 'k')},  // the line cut to its buffer
  };
  for (const Case& c : cases) {
    std::string text = FileWith(1, "Autonomia (minutos) = 10") + c.line + "\n";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    ASSERT_NE(f, nullptr);
    ConfigRecord record;
    KeyConfig k;
    std::memset(&k, 0x5A, sizeof k);
    ParseConf(f, &record, &k);
    std::fclose(f);
    EXPECT_EQ(std::string(k.net_key), c.key) << c.line.substr(0, 40);
    EXPECT_STREQ(record.script, "/bin/true");
  }
  // Seventeen lines only: no key.
  std::string text = FileWith(1, "Autonomia (minutos) = 10");
  FILE* f = fmemopen(text.data(), text.size(), "r");
  ConfigRecord record;
  KeyConfig k;
  std::memset(&k, 0x5A, sizeof k);
  ParseConf(f, &record, &k);
  std::fclose(f);
  EXPECT_STREQ(k.net_key, "");
}

}  // namespace
