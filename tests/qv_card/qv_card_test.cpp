// libqv_card through its exported functions, against real virtual readers.
#include "qv_card/include/qv_card.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/variants.h"
#include "tests/support/reader_home.h"

namespace {

using vcl::OleVariant;

const std::string kBlock(28, 'b');
const std::string kSeal = "20261211093000" + std::string(14, '\x01');

OleVariant Readers() {
  OleVariant result;
  GetReaderOnSystem(result.Out());
  return result;
}

OleVariant Data(const std::string &reader) {
  OleVariant result;
  GetCardData(reader.c_str(), result.Out());
  return result;
}

class QvCard : public ::testing::Test {
 protected:
  ReaderHome home;
};

TEST_F(QvCard, readers_areListedInByteOrder) {
  EXPECT_EQ(Readers().Type(), VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(QvCardLastError(), nullptr);
  for (const char *name : {"USB Reader 2", "ACS ACR38U 0", "USB Reader 10"}) home.AddReader(name);
  EXPECT_EQ(vcl::VarArrayToTexts(Readers().Raw()),
            (std::vector<std::string>{"ACS ACR38U 0", "USB Reader 10", "USB Reader 2"}));
}

TEST_F(QvCard, cardFields_comeBackByteForByte) {
  const std::vector<std::string> fields = {"A123", std::string("\x01\t\n\r\x13`\x80", 7) + std::string(21, '\x80'),
                                           kSeal, "ABC", "", ""};
  home.LayCard("R", {"A123", kBlock, kSeal, "ABC", "", ""});
  EXPECT_STREQ(GetCardPwd("R"), "8093572");
  EXPECT_EQ(SetCardData("R", vcl::VarArrayOfTexts(fields).Raw()), QV_CARD_WRITTEN);
  EXPECT_EQ(vcl::VarArrayToTexts(Data("R").Raw()), fields);
  EXPECT_EQ(home.CardIn("R").fields, fields);
  EXPECT_FALSE(std::filesystem::exists(home.Path() + "/R/card.tmp"));
}

TEST_F(QvCard, cardFileFormat_isHexOfTheExactBytes) {
  home.LayCard("R", {"A123", "", std::string("\x80\n", 2)});
  std::ifstream in(home.Path() + "/R/card");
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "QVCARD 1\npassword 38303933353732\nfield 41313233\nfield\nfield 800a\n");
}

TEST_F(QvCard, unreadableCards_raiseAndNeverCrash) {
  home.AddReader("Empty");
  home.AddReader("Corrupt");
  home.WriteFile("Corrupt/card", "QVCARD 1\npassword 3g\n");
  home.AddReader("NoHeader");
  home.WriteFile("NoHeader/card", "password 38\nfield 41\n");
  home.AddReader("Unknown");
  home.WriteFile("Unknown/card", "QVCARD 1\npassword 38\nbalance 1\n");
  for (const char *reader : {"", "Missing", "Empty", "Corrupt", "NoHeader", "Unknown", "../x"}) {
    EXPECT_EQ(GetCardPwd(reader), nullptr) << reader;
    EXPECT_NE(QvCardLastError(), nullptr) << reader;
    EXPECT_EQ(Data(reader).Type(), VT_EMPTY) << reader;
    EXPECT_NE(QvCardLastError(), nullptr) << reader;
  }
}

TEST_F(QvCard, writeResults_followTheCardAndTheRecord) {
  const std::vector<std::string> good = {"A123", kBlock, kSeal, "ABC", "", ""};
  auto with = [&](int index, const std::string &value) {
    std::vector<std::string> fields = good;
    fields[static_cast<size_t>(index)] = value;
    return fields;
  };
  struct Case {
    const char *name;
    std::vector<std::string> fields;
    std::string password;
    bool cardPresent;
    int32_t code;
  } cases[] = {
      {"sound", good, "8093572", true, QV_CARD_WRITTEN},
      {"four fields", {"A123", kBlock, kSeal, "ABC"}, "8093572", true, QV_CARD_WRITTEN},
      {"other password", good, "1234567", true, QV_CARD_BAD_PASSWORD},
      {"no card", good, "8093572", false, QV_CARD_WRITE_FAILED},
      {"short block", with(1, std::string(27, 'b')), "8093572", true, QV_CARD_BAD_LENGTH},
      {"long seal", with(2, kSeal + "x"), "8093572", true, QV_CARD_BAD_LENGTH},
      {"empty number", with(0, ""), "8093572", true, QV_CARD_BAD_LENGTH},
      {"number of 21", with(0, std::string(21, '1')), "8093572", true, QV_CARD_BAD_LENGTH},
      {"three fields", {"A123", kBlock, kSeal}, "8093572", true, QV_CARD_BAD_LENGTH},
  };
  for (const Case &c : cases) {
    home.AddReader("R");
    if (c.cardPresent) home.LayCard("R", {"OLD"}, c.password);
    else qvcard::RemoveCard("R");
    EXPECT_EQ(SetCardData("R", vcl::VarArrayOfTexts(c.fields).Raw()), c.code) << c.name;
    EXPECT_EQ(QvCardLastError(), nullptr) << c.name;
    if (c.cardPresent) {
      EXPECT_EQ(home.CardIn("R").fields, c.code == 0 ? c.fields : std::vector<std::string>{"OLD"}) << c.name;
    }
  }
  EXPECT_EQ(SetCardData("R", OleVariant::FromInt(1).Raw()), QV_CARD_BAD_LENGTH);
  EXPECT_EQ(SetCardData("Missing", vcl::VarArrayOfTexts(good).Raw()), QV_CARD_WRITE_FAILED);
  EXPECT_NE(QvCardLastError(), nullptr);
}

TEST_F(QvCard, writePassword_isConfigurable) {
  setenv("QV_CARD_WRITE_PASSWORD", "1234567", 1);
  home.LayCard("R", {"OLD"}, "1234567");
  EXPECT_EQ(SetCardData("R", vcl::VarArrayOfTexts({"A123", kBlock, kSeal, "ABC"}).Raw()), QV_CARD_WRITTEN);
  unsetenv("QV_CARD_WRITE_PASSWORD");
  EXPECT_EQ(SetCardData("R", vcl::VarArrayOfTexts({"A123", kBlock, kSeal, "ABC"}).Raw()), QV_CARD_BAD_PASSWORD);
}

TEST_F(QvCard, plannedFaults_hitTheNextCallOnly) {
  const std::vector<std::string> good = {"A123", kBlock, kSeal, "ABC", "", ""};
  home.LayCard("R", good);
  home.PlanFaults("R",
                  "GetCardPwd raise reader unplugged\n"
                  "GetCardPwd null\n"
                  "GetCardData nonarray\n"
                  "GetCardData empty\n"
                  "SetCardData return 7\n"
                  "SetCardData raise\n"
                  "SetCardData write-return -1111\n");
  home.PlanFaults("", "GetReaderOnSystem raise no service\nGetReaderOnSystem empty\nGetReaderOnSystem nonarray\n");

  EXPECT_EQ(GetCardPwd("R"), nullptr);
  EXPECT_STREQ(QvCardLastError(), "reader unplugged");
  EXPECT_EQ(GetCardPwd("R"), nullptr);
  EXPECT_EQ(QvCardLastError(), nullptr);
  EXPECT_STREQ(GetCardPwd("R"), "8093572");

  EXPECT_EQ(Data("R").Type(), VT_I4);
  EXPECT_EQ(Data("R").Raw().parray->rgsabound[0].cElements, 0u);
  EXPECT_EQ(vcl::VarArrayToTexts(Data("R").Raw()), good);

  const OleVariant other = vcl::VarArrayOfTexts({"B456", kBlock, kSeal, "ABC"});
  EXPECT_EQ(SetCardData("R", other.Raw()), 7);
  EXPECT_EQ(SetCardData("R", other.Raw()), QV_CARD_WRITE_FAILED);
  EXPECT_STREQ(QvCardLastError(), "injected fault");
  EXPECT_EQ(home.CardIn("R").fields, good);
  EXPECT_EQ(SetCardData("R", other.Raw()), QV_CARD_WRITE_FAILED);
  EXPECT_EQ(home.CardIn("R").fields[0], "B456");  // written, yet reported as failed
  EXPECT_FALSE(std::filesystem::exists(home.Path() + "/R/faults"));

  EXPECT_EQ(Readers().Type(), VT_EMPTY);
  EXPECT_STREQ(QvCardLastError(), "no service");
  EXPECT_EQ(Readers().Raw().parray->rgsabound[0].cElements, 0u);
  EXPECT_EQ(Readers().Type(), VT_I4);
  EXPECT_EQ(vcl::VarArrayToTexts(Readers().Raw()), std::vector<std::string>{"R"});
}

}  // namespace
