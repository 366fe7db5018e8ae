// The register and unregister walks, against the in-memory registry.
#include "registrar/script_parser.h"
#include "standins/memory_registry/memory_registry.h"
#include "tests/registrar/test_scripts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace qvapi {
namespace {

using namespace std::string_literals;

constexpr bool kRegister = true;
constexpr bool kUnregister = false;

class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(S_OK, replacements_.Define(u"Module", testing::kModulePath)); }
  // No run leaves a key open, whatever its result.
  void TearDown() override { EXPECT_EQ(0u, registry_.OpenHandleCount()); }

  HRESULT Run(const std::string& script, bool registering) {
    ScriptParser parser(registry_, replacements_);
    return parser.RunScript(script.c_str(), registering);
  }
  std::string Hkcu() const { return registry_.Dump(HKEY_CURRENT_USER); }
  void MakeKey(HKEY parent, const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, registry_.CreateKey(parent, name, &key));
    registry_.CloseKey(key);
  }

  MemoryRegistry registry_;
  ReplacementMap replacements_;
};

TEST_F(InterpreterTest, EmptyScriptChangesNothing) {
  EXPECT_EQ(S_OK, Run("", kRegister));
  EXPECT_EQ(S_OK, Run("", kUnregister));
  EXPECT_EQ(DISP_E_EXCEPTION, Run(" \r\n\t", kRegister));
}

TEST_F(InterpreterTest, RootNamesIgnoreCase) {
  EXPECT_EQ(S_OK, Run("hkey_local_machine { A } hklm { B } HKEY_CURRENT_USER { C }", kRegister));
  EXPECT_EQ("[A]\n[B]\n", registry_.Dump(HKEY_LOCAL_MACHINE));
  EXPECT_EQ("[C]\n", Hkcu());
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKEY_LOCAL { X }", kRegister));
  EXPECT_EQ(DISP_E_EXCEPTION, Run(std::string(300, 'H') + " { X }", kRegister));
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU X }", kRegister));
}

TEST_F(InterpreterTest, ValuesOfBothTypes) {
  EXPECT_EQ(S_OK, Run("HKCU { K = s 'default' { val Count = d 42 val Minus = d -1 "
                      "val Empty = s '' val Text = S \"x\" val Big = D 2147483647 } }",
                      kRegister));
  EXPECT_EQ(
      "[K]\n"
      "[K] \"Big\" = REG_DWORD 0x7fffffff\n"
      "[K] \"Count\" = REG_DWORD 0x0000002a\n"
      "[K] \"Empty\" = REG_SZ \"\"\n"
      "[K] \"Minus\" = REG_DWORD 0xffffffff\n"
      "[K] \"Text\" = REG_SZ \"\"x\"\"\n"
      "[K] @ = REG_SZ \"default\"\n",
      Hkcu());
}

// A number the conversion rejects is stored as 0, never as stack garbage.
TEST_F(InterpreterTest, RejectedNumberStoresZero) {
  EXPECT_EQ(S_OK,
            Run("HKCU { K { val A = d 'abc' val B = d 2147483648 val C = d '' } }", kRegister));
  EXPECT_EQ(
      "[K]\n"
      "[K] \"A\" = REG_DWORD 0x00000000\n"
      "[K] \"B\" = REG_DWORD 0x00000000\n"
      "[K] \"C\" = REG_DWORD 0x00000000\n",
      Hkcu());
}

TEST_F(InterpreterTest, BraceOnlyCountsWhereTheGrammarLooksForIt) {
  EXPECT_EQ(S_OK, Run("HKCU { {GUID} = s 'x' { Sub } }", kRegister));
  EXPECT_EQ("[{GUID}]\n[{GUID}] @ = REG_SZ \"x\"\n[{GUID}\\Sub]\n", Hkcu());
  // A key name that begins with '}' ends the block instead.
  EXPECT_EQ(S_OK, Run("HKCU { }Key", kRegister));
}

TEST_F(InterpreterTest, ForceRemoveRebuildsTheKey) {
  ASSERT_EQ(S_OK, Run("HKCU { Old { Child = s 'c' } }", kRegister));
  ASSERT_EQ(S_OK, Run("HKCU { Old { val Foreign = s 'f' } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { ForceRemove Old = s 'new' { Fresh } }", kRegister));
  EXPECT_EQ("[Old]\n[Old] @ = REG_SZ \"new\"\n[Old\\Fresh]\n", Hkcu());
}

TEST_F(InterpreterTest, ProtectedKeysAreNeverForceDeleted) {
  ASSERT_EQ(S_OK, Run("HKCU { CLSID { A } TypeLib { B } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { ForceRemove clsid { C } Delete TYPELIB }", kRegister));
  EXPECT_EQ("[CLSID]\n[CLSID\\A]\n[CLSID\\C]\n[TypeLib]\n[TypeLib\\B]\n", Hkcu());
}

TEST_F(InterpreterTest, DeleteRemovesTheSubtreeAndWritesNothing) {
  ASSERT_EQ(S_OK, Run("HKCU { Old { Deep { Deeper } } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { Delete Old = s 'x' Next }", kRegister));
  EXPECT_EQ("[Next]\n", Hkcu());
}

TEST_F(InterpreterTest, ForceRemoveBeforeNoRemoveActsOnAKeyNamedNoRemove) {
  MakeKey(HKEY_CURRENT_USER, "NoRemove");
  ASSERT_EQ(S_OK, Run("HKCU { Entry { B } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { ForceRemove NoRemove Entry }", kRegister));
  EXPECT_EQ("[Entry]\n[Entry\\B]\n", Hkcu());
}

TEST_F(InterpreterTest, UnregisterRemovesWhatRegisterMade) {
  const std::string script = "HKCU { A = s 'a' { B { val V = d 1 } C } }";
  ASSERT_EQ(S_OK, Run(script, kRegister));
  EXPECT_EQ(S_OK, Run(script, kUnregister));
  EXPECT_EQ("", Hkcu());
  EXPECT_EQ(S_OK, Run(script, kUnregister));
}

TEST_F(InterpreterTest, NoRemoveHoldsForTheRestOfTheBlock) {
  ASSERT_EQ(S_OK, Run("HKCU { Alpha Beta { val V = s 'v' Sub { Leaf } } Gamma }", kRegister));
  EXPECT_EQ(S_OK,
            Run("HKCU { NoRemove Alpha Beta { val V = s 'v' Sub { Leaf } } Gamma }", kUnregister));
  EXPECT_EQ("[Alpha]\n[Beta]\n[Gamma]\n", Hkcu());
}

TEST_F(InterpreterTest, MissingKeySkipsUntilItsOwnBlockEnds) {
  ASSERT_EQ(S_OK, Run("HKCU { Beta Gamma { Sub } Delta }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { Alpha Beta Gamma { Sub } Delta }", kUnregister));
  EXPECT_EQ("[Beta]\n[Gamma]\n[Gamma\\Sub]\n", Hkcu());
}

TEST_F(InterpreterTest, SkipModeStillChecksTheGrammar) {
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Missing { A\\B } }", kUnregister));
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Missing { val X s 'y' } }", kUnregister));
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Missing { A ", kUnregister));
}

TEST_F(InterpreterTest, DefaultValueAloneDoesNotOccupyAKey) {
  ASSERT_EQ(S_OK, Run("HKCU { Plain = s 'x' Named { val N = s 'n' } }", kRegister));
  ASSERT_EQ(S_OK, Run("HKCU { Named { Foreign } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { Plain Named }", kUnregister));
  EXPECT_EQ("[Named]\n[Named] \"N\" = REG_SZ \"n\"\n[Named\\Foreign]\n", Hkcu());
  EXPECT_EQ(S_OK, Run("HKCU { Named { Foreign } }", kUnregister));
  EXPECT_EQ("", Hkcu());
}

// A key that keeps a subkey after its block stays, and so does everything
// below it, including a foreign subkey that bears the key's own name.
TEST_F(InterpreterTest, KeyWithLeftoverSubkeyStaysWhole) {
  ASSERT_EQ(S_OK, Run("HKCU { Alpha { Alpha { Inner } Listed } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { Alpha { Listed } }", kUnregister));
  EXPECT_EQ("[Alpha]\n[Alpha\\Alpha]\n[Alpha\\Alpha\\Inner]\n", Hkcu());
}

TEST_F(InterpreterTest, FailedRootBlockIsTakenBackAndEarlierBlocksStay) {
  EXPECT_EQ(DISP_E_EXCEPTION,
            Run("HKCU { First } HKCU { Second { Inner = s 'i' } Bad\\Name }", kRegister));
  EXPECT_EQ("[First]\n", Hkcu());
}

std::string Nested(int levels, const std::string& innermost = "") {
  std::string script = "HKCU {";
  for (int level = 1; level < levels; ++level) script += " K" + std::to_string(level) + " {";
  script += " " + innermost;
  for (int level = 0; level < levels; ++level) script += " }";
  return script;
}

// Each error the text of a block can hold fails the run in both modes. In
// register mode it is found before anything of the block is written: the
// user's key that the block deletes first is still there, whole.
TEST_F(InterpreterTest, ScriptErrorsFailInBothModesAndRegisteringDeletesNothing) {
  ASSERT_EQ(S_OK, Run("HKCU { Kept { val V = s 'v' Sub } }", kRegister));
  const std::string kept = Hkcu();
  for (const std::string& error :
       {"Alpha\\Beta = s 'x' }"s, "Delete Alpha\\Beta }"s, "val X : s 'y' }"s, "A = s 'unclosed }"s,
        "A { B }"s, "A = s '" + std::string(4095, 'q') + "' }",
        "val " + std::string(kNameSize, 'n') + " = s 'x' }", "%Undefined% }"s,
        Nested(kMaxNesting + 1).substr(std::strlen("HKCU {"))}) {
    EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Delete Kept ForceRemove Kept " + error, kRegister));
    EXPECT_EQ(kept, Hkcu()) << error;
    EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { NoRemove Kept " + error, kUnregister)) << error;
  }
  EXPECT_EQ(kept, Hkcu());
}

TEST_F(InterpreterTest, UnknownTypeLetterFailsOnlyWhenWritten) {
  ASSERT_EQ(S_OK, Run("HKCU { Kept { val V = s 'v' } }", kRegister));
  const std::string kept = Hkcu();
  for (const std::string& entry : {"Name = x 'y'"s, "Key { val Name = x 'y' }"s}) {
    EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { ForceRemove Kept " + entry + " }", kRegister));
    EXPECT_EQ(kept, Hkcu()) << entry;
    EXPECT_EQ(S_OK, Run("HKCU { NoRemove Kept " + entry + " }", kUnregister)) << entry;
  }
}

TEST_F(InterpreterTest, KeyThatCannotBeMadeFails) {
  registry_.FailCall(MemoryRegistry::Call::kCreate, "Blocked", ERROR_ACCESS_DENIED);
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Made Blocked }", kRegister));
  EXPECT_EQ("", Hkcu());
}

// Its writable child, which the read-only parent cannot create, is opened
// with full access and written.
TEST_F(InterpreterTest, ReadOnlyKeyIsUsedButNotWritten) {
  ASSERT_EQ(S_OK, Run("HKCU { Locked { Existing } }", kRegister));
  registry_.DenyWriteAccess("Locked");
  EXPECT_EQ(S_OK,
            Run("HKCU { Locked = s 'x' { val V = s 'v' Existing = s 'w' } After }", kRegister));
  EXPECT_EQ("[After]\n[Locked]\n[Locked\\Existing]\n[Locked\\Existing] @ = REG_SZ \"w\"\n", Hkcu());
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Locked { New } }", kRegister));
}

TEST_F(InterpreterTest, FailedCloseBeforeDeletionFailsTheRun) {
  ASSERT_EQ(S_OK, Run("HKCU { Stuck Next }", kRegister));
  registry_.FailCall(MemoryRegistry::Call::kClose, "Stuck", ERROR_INVALID_HANDLE);
  EXPECT_EQ(DISP_E_EXCEPTION, Run("HKCU { Stuck Next }", kUnregister));
  EXPECT_EQ("[Next]\n[Stuck]\n", Hkcu());
}

// Unregistering, a key that exists and cannot be opened or deleted fails the
// run once the walk has removed all else.
TEST_F(InterpreterTest, FailedRemovalsFailUnregistrationAfterTheWalk) {
  ASSERT_EQ(S_OK, Run("HKCU { Stuck { Leaf } Gone Locked { Inner } }", kRegister));
  registry_.FailCall(MemoryRegistry::Call::kDelete, "Leaf", ERROR_ACCESS_DENIED);
  EXPECT_EQ(S_OK, Run("HKCU { ForceRemove Stuck }", kRegister));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
            Run("HKCU { Stuck { Leaf } Gone }", kUnregister));
  registry_.DenyWriteAccess("Locked");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), Run("HKCU { Locked { Inner } }", kUnregister));
  EXPECT_EQ("[Locked]\n[Locked\\Inner]\n[Stuck]\n[Stuck\\Leaf]\n", Hkcu());
}

// An empty key name stands for the parent itself: no entry may delete it.
TEST_F(InterpreterTest, EmptyKeyNameNeverDeletesTheParent) {
  ASSERT_EQ(S_OK, Run("HKCU { Parent { Child } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { Parent { ForceRemove '' Delete '' } }", kRegister));
  EXPECT_EQ("[Parent]\n[Parent\\Child]\n", Hkcu());
  ASSERT_EQ(S_OK, Run("HKCU { Kept { val N = s 'n' } }", kRegister));
  EXPECT_EQ(S_OK, Run("HKCU { NoRemove Kept { '' } }", kUnregister));
  EXPECT_EQ("[Kept]\n[Kept] \"N\" = REG_SZ \"n\"\n[Parent]\n[Parent\\Child]\n", Hkcu());
}

TEST_F(InterpreterTest, NestingIsLimitedTo32Levels) {
  EXPECT_EQ(S_OK, Run(Nested(kMaxNesting, "Leaf"), kRegister));
  EXPECT_EQ(S_OK, Run(Nested(kMaxNesting, "Leaf"), kUnregister));
  EXPECT_EQ("", Hkcu());
  EXPECT_EQ(DISP_E_EXCEPTION, Run(Nested(kMaxNesting + 1), kRegister));
  EXPECT_EQ("", Hkcu());
  EXPECT_EQ(DISP_E_EXCEPTION, Run(Nested(kMaxNesting + 1), kUnregister));
}

// A hostile script cannot exhaust the stack of the process that registers.
TEST_F(InterpreterTest, DeepNestingFailsWithoutCrashing) {
  std::string deep = "HKCU {";
  for (int level = 0; level < 100000; ++level) deep += " K {";
  EXPECT_EQ(DISP_E_EXCEPTION, Run(deep, kRegister));
  EXPECT_EQ(DISP_E_EXCEPTION, Run(deep, kUnregister));
}

}  // namespace
}  // namespace qvapi
