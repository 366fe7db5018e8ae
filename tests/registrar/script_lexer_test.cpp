// Preprocessing and token reading.
#include "standins/ansi_text/code_page.h"
#include "registrar/script_lexer.h"
#include "tests/registrar/test_scripts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qvapi {
namespace {

using Tokens = std::vector<std::string>;

class LexerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, replacements_.Define(u"Module", testing::kModulePath)); }
  void TearDown() override { SetDoubleByteCodePage(false); }

  // Every token of text; *end gets the result of the read that failed.
  Tokens Read(const std::string& text, HRESULT* end) {
    lexer_.StartReading(text.c_str());
    Tokens tokens;
    TokenBuffer token;
    while ((*end = lexer_.ReadToken(token)) == S_OK) tokens.push_back(token);
    return tokens;
  }

  // The expanded text, or "<null>" when none came back.
  std::string Expand(const std::string& script, HRESULT* result) {
    TaskMemory<char> expanded(static_cast<char*>(TaskMemAlloc(1)));  // must be dropped
    *result = lexer_.Preprocess(script.c_str(), &expanded);
    return expanded ? std::string(expanded.get()) : "<null>";
  }

  ReplacementMap replacements_;
  ScriptLexer lexer_{replacements_};
};

TEST_F(LexerTest, TokensAreSeparatedByWhiteSpaceOnly) {
  HRESULT end = S_OK;
  EXPECT_EQ((Tokens{"HKCR", "{", "}"}), Read("HKCR\r\n{\r\n}", &end));
  EXPECT_EQ(DISP_E_EXCEPTION, end);
  EXPECT_EQ((Tokens{"x=y"}), Read("x=y", &end));
  EXPECT_EQ((Tokens{"x", "=", "y"}), Read("x = y", &end));
  EXPECT_EQ((Tokens{"key{", "}x"}), Read("key{ }x", &end));
  EXPECT_EQ((Tokens{"a", "b", "c", "d", "e"}), Read("a\tb\nc\rd e", &end));
}

TEST_F(LexerTest, OnlyTabLineFeedReturnAndSpaceAreWhiteSpace) {
  HRESULT end = S_OK;
  EXPECT_EQ((Tokens{"a\fb\vc\xA0"
                    "d"}),
            Read("a\fb\vc\xA0"
                 "d",
                 &end));
  EXPECT_EQ(DISP_E_EXCEPTION, end);
}

TEST_F(LexerTest, QuotedTokens) {
  HRESULT end = S_OK;
  EXPECT_EQ((Tokens{"it's"}), Read("'it''s'", &end));
  EXPECT_EQ((Tokens{"'"}), Read("''''", &end));
  EXPECT_EQ((Tokens{"abc", "def"}), Read("'abc'def", &end));
  EXPECT_EQ((Tokens{"", "x"}), Read("'' x", &end));
  EXPECT_EQ((Tokens{"a b{=}"}), Read(" 'a b{=}' ", &end));
  EXPECT_EQ(DISP_E_EXCEPTION, end);
}

TEST_F(LexerTest, QuoteInsideBareTokenIsOrdinary) {
  HRESULT end = S_OK;
  EXPECT_EQ((Tokens{"a'b", "c'"}), Read("a'b c'", &end));
}

TEST_F(LexerTest, UnclosedQuoteFailsWithEmptyBuffer) {
  lexer_.StartReading("'abc");
  TokenBuffer token = "sentinel";
  EXPECT_EQ(DISP_E_EXCEPTION, lexer_.ReadToken(token));
  EXPECT_STREQ("", token);
}

TEST_F(LexerTest, QuotedTokenFitsUpTo4094Bytes) {
  HRESULT end = S_OK;
  const std::string longest(4094, 'q');
  EXPECT_EQ((Tokens{longest}), Read("'" + longest + "'", &end));
  EXPECT_EQ((Tokens{}), Read("'" + longest + "q'", &end));
  EXPECT_EQ(DISP_E_EXCEPTION, end);
}

TEST_F(LexerTest, QuotedTokenEndingInDoubleByteCharacterFits4095Bytes) {
  SetDoubleByteCodePage(true);
  HRESULT end = S_OK;
  const std::string text = std::string(4093, 'q') + "\x82\xA0";
  EXPECT_EQ((Tokens{text}), Read("'" + text + "'", &end));
}

// A token that does not fit its buffer fails; nothing lands past the buffer.
TEST_F(LexerTest, OverlongTokensFailWithoutOverflow) {
  char buffer[kNameSize + 40];
  for (const std::string& text :
       {std::string(kNameSize, 'b'), "'" + std::string(kNameSize, 'q') + "'"}) {
    std::memset(buffer, 'Z', sizeof buffer);
    lexer_.StartReading(text.c_str());
    EXPECT_EQ(DISP_E_EXCEPTION, lexer_.ReadToken(buffer, kNameSize)) << text;
    EXPECT_EQ('\0', buffer[0]);
    EXPECT_EQ(std::string(40, 'Z'), std::string(buffer + kNameSize, 40));
  }
  const std::string fits(kNameSize - 1, 'b');
  lexer_.StartReading(fits.c_str());
  EXPECT_EQ(S_OK, lexer_.ReadToken(buffer, kNameSize));
  EXPECT_EQ(fits, buffer);
}

TEST_F(LexerTest, BareTokenFitsUpTo4095Bytes) {
  HRESULT end = S_OK;
  const std::string longest(4095, 'b');
  EXPECT_EQ((Tokens{longest}), Read(longest, &end));
  EXPECT_EQ((Tokens{}), Read(longest + "b", &end));
  EXPECT_EQ(DISP_E_EXCEPTION, end);
}

TEST_F(LexerTest, DoubleByteTrailBytesAreNotSyntax) {
  SetDoubleByteCodePage(true);
  HRESULT end = S_OK;
  // Trail bytes equal to a quote and to a space stay inside their character.
  EXPECT_EQ((Tokens{"a\x81'b\x81 c"}), Read("'a\x81'b\x81 c'", &end));
  EXPECT_EQ((Tokens{"\x81'x", "y"}), Read("\x81'x y", &end));
  HRESULT result = E_FAIL;
  EXPECT_EQ("\x81%Module\x81%", Expand("\x81%Module\x81%", &result));
  EXPECT_EQ(S_OK, result);
}

TEST_F(LexerTest, LeadByteAtEndOfTextIsOneCharacter) {
  SetDoubleByteCodePage(true);
  HRESULT end = S_OK;
  EXPECT_EQ((Tokens{"ab\x81"}), Read("ab\x81", &end));
  EXPECT_EQ((Tokens{}), Read("'ab\x81", &end));
  EXPECT_EQ(DISP_E_EXCEPTION, end);
}

TEST_F(LexerTest, ReferencesExpandEverywhereIgnoringCase) {
  HRESULT result = E_FAIL;
  EXPECT_EQ("x = s 'C:\\Program Files\\QVAPI\\QVAPI.DLL'", Expand("x = s '%MODULE%'", &result));
  EXPECT_EQ(S_OK, result);
  EXPECT_EQ("100%", Expand("100%%", &result));
  EXPECT_EQ("", Expand("", &result));
  EXPECT_EQ(S_OK, result);
}

TEST_F(LexerTest, ExpandedQuotedReferenceReadsAsOneToken) {
  HRESULT result = E_FAIL;
  std::string expanded = Expand("'%module%'", &result);
  HRESULT end = S_OK;
  EXPECT_EQ((Tokens{"C:\\Program Files\\QVAPI\\QVAPI.DLL"}), Read(expanded, &end));
}

TEST_F(LexerTest, ReplacementTextIsNotScannedAgain) {
  ASSERT_EQ(S_OK, replacements_.Define(u"Outer", u"%Module% it's 50%"));
  HRESULT result = E_FAIL;
  EXPECT_EQ("%Module% it's 50%", Expand("%Outer%", &result));
  EXPECT_EQ(S_OK, result);
}

TEST_F(LexerTest, FirstDefinitionWins) {
  ASSERT_EQ(S_OK, replacements_.Define(u"MODULE", u"other"));
  HRESULT result = E_FAIL;
  EXPECT_EQ("C:\\Program Files\\QVAPI\\QVAPI.DLL", Expand("%Module%", &result));
}

TEST_F(LexerTest, BrokenReferencesReturnNoText) {
  HRESULT result = S_OK;
  EXPECT_EQ("<null>", Expand("'%Module", &result));
  EXPECT_EQ(DISP_E_EXCEPTION, result);
  EXPECT_EQ("<null>", Expand("100%", &result));
  EXPECT_EQ(DISP_E_EXCEPTION, result);
  EXPECT_EQ("<null>", Expand("%Undefined%", &result));
  EXPECT_EQ(DISP_E_EXCEPTION, result);
}

TEST_F(LexerTest, ReplacementNamesHaveAtMost31Bytes) {
  const std::u16string name31(31, u'n');
  ASSERT_EQ(S_OK, replacements_.Define(name31.c_str(), u"found"));
  HRESULT result = S_OK;
  EXPECT_EQ("found", Expand("%" + std::string(31, 'N') + "%", &result));
  EXPECT_EQ(S_OK, result);
  EXPECT_EQ("<null>", Expand("%" + std::string(32, 'n') + "%", &result));
  EXPECT_EQ(E_FAIL, result);
}

}  // namespace
}  // namespace qvapi
