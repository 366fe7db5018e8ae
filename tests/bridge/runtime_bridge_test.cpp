// The four plain exports of QVAPI.DLL, called through the DLL itself, with
// stand-in run-time cores loaded into and out of this process.

#include <climits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "bridge/QVAPI_exports.h"
#include "standins/core/loaded_core.h"
#include "stack_probe.h"

using qvapi::standins::CoreCall;
using qvapi::standins::ExecutableFolder;
using qvapi::standins::LoadedCore;

namespace {

class RuntimeBridge : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(GetModuleHandleA("ZELKCORE.DLL"), nullptr);
    ASSERT_EQ(GetModuleHandleA("KTCORE.DLL"), nullptr);
  }

  static LoadedCore Load(const std::string& relativePath) {
    LoadedCore core(ExecutableFolder() + relativePath);
    EXPECT_TRUE(core.loaded()) << relativePath;
    return core;
  }
  static LoadedCore LoadZelkcore() { return Load("ZELKCORE.DLL"); }
  static LoadedCore LoadKtcore() { return Load("KTCORE.DLL"); }
  static LoadedCore LoadZelkcoreWithoutSaveMemory() { return Load("partial\\ZELKCORE.DLL"); }

  static void CallAllFour() {
    QVMemMark();
    QVMemSave("n", "c", 1);
    QVMemPopup();
    QVEnableErrorPopup(1);
  }

  static std::vector<std::string> ProceduresCalled(const LoadedCore& core) {
    std::vector<std::string> names;
    for (const CoreCall& call : core.Calls()) names.emplace_back(call.procedure);
    return names;
  }

  static FARPROC Export(const char* name) {
    return GetProcAddress(GetModuleHandleA("QVAPI.DLL"), name);
  }
};

const std::vector<std::string> kAllFour = {"MarkMemory", "SaveMemory", "DoMemoryPopup",
                                           "EnableErrorPopup"};

TEST_F(RuntimeBridge, NoCoreLoadedEveryExportIsNotAvailable) {
  EXPECT_EQ(QVMemMark(), -1);
  EXPECT_EQ(QVMemSave("name", "comment", 1), -1);
  EXPECT_EQ(QVMemPopup(), -1);
  EXPECT_EQ(QVEnableErrorPopup(1), -1);
}

TEST_F(RuntimeBridge, OnlyKtcoreLoadedReceivesTheCalls) {
  LoadedCore kt = LoadKtcore();
  CallAllFour();
  EXPECT_EQ(ProceduresCalled(kt), kAllFour);
  for (const CoreCall& call : kt.Calls()) EXPECT_STREQ(call.module, "KTCORE.DLL");
}

TEST_F(RuntimeBridge, BothLoadedOnlyZelkcoreIsUsed) {
  LoadedCore kt = LoadKtcore();
  LoadedCore zelk = LoadZelkcore();
  CallAllFour();
  EXPECT_EQ(ProceduresCalled(zelk), kAllFour);
  EXPECT_EQ(kt.CallCount(), 0);
}

TEST_F(RuntimeBridge, ZelkcoreLackingTheProcedureIsNotAvailableEvenIfKtcoreHasIt) {
  LoadedCore kt = LoadKtcore();
  LoadedCore zelk = LoadZelkcoreWithoutSaveMemory();
  kt.SetResult("SaveMemory", 5);
  EXPECT_EQ(QVMemSave("name", "comment", 0), -1);
  EXPECT_EQ(kt.CallCount(), 0);
  QVMemMark();
  EXPECT_EQ(ProceduresCalled(zelk), std::vector<std::string>{"MarkMemory"});
}

TEST_F(RuntimeBridge, ResultsComeBackUnchanged) {
  LoadedCore zelk = LoadZelkcore();
  for (LONG value : {-1L, 0L, 1L, -2L, 0x12345678L, LONG(INT_MAX), LONG(INT_MIN)}) {
    for (const std::string& procedure : kAllFour) zelk.SetResult(procedure.c_str(), value);
    EXPECT_EQ(QVMemMark(), value);
    EXPECT_EQ(QVMemSave("n", "c", 0), value);
    EXPECT_EQ(QVMemPopup(), value);
    EXPECT_EQ(QVEnableErrorPopup(0), value);
  }
}

TEST_F(RuntimeBridge, MemSavePassesItsArgumentsInOrderNullsIncluded) {
  LoadedCore zelk = LoadZelkcore();
  const char* name = "snapshot one";
  const char* comment = "after start-up";
  QVMemSave(name, comment, 7);
  QVMemSave(nullptr, nullptr, -1);
  QVMemSave("", nullptr, INT_MIN);

  std::vector<CoreCall> calls = zelk.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].argumentCount, 3);
  EXPECT_EQ(calls[0].arguments[0], reinterpret_cast<DWORD_PTR>(name));
  EXPECT_EQ(calls[0].arguments[1], reinterpret_cast<DWORD_PTR>(comment));
  EXPECT_EQ(calls[0].arguments[2], 7u);
  EXPECT_STREQ(calls[0].texts[0], "snapshot one");
  EXPECT_STREQ(calls[0].texts[1], "after start-up");

  EXPECT_TRUE(calls[1].textIsNull[0]);
  EXPECT_TRUE(calls[1].textIsNull[1]);
  EXPECT_EQ(LONG(calls[1].arguments[2]), -1);

  EXPECT_FALSE(calls[2].textIsNull[0]);
  EXPECT_STREQ(calls[2].texts[0], "");
  EXPECT_TRUE(calls[2].textIsNull[1]);
  EXPECT_EQ(LONG(calls[2].arguments[2]), INT_MIN);
}

TEST_F(RuntimeBridge, EnableErrorPopupPassesItsArgument) {
  LoadedCore zelk = LoadZelkcore();
  QVEnableErrorPopup(0);
  QVEnableErrorPopup(-7);
  std::vector<CoreCall> calls = zelk.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].argumentCount, 1);
  EXPECT_EQ(LONG(calls[0].arguments[0]), 0);
  EXPECT_EQ(LONG(calls[1].arguments[0]), -7);
}

TEST_F(RuntimeBridge, CoreLoadedAfterAFailedCallIsReached) {
  EXPECT_EQ(QVMemMark(), -1);
  LoadedCore kt = LoadKtcore();
  kt.SetResult("MarkMemory", 3);
  EXPECT_EQ(QVMemMark(), 3);
  EXPECT_EQ(kt.CallCount(), 1);
}

TEST_F(RuntimeBridge, CoreUnloadedBetweenCallsIsNoLongerCalled) {
  LoadedCore zelk = LoadZelkcore();
  LoadedCore kt = LoadKtcore();
  zelk.SetResult("DoMemoryPopup", 10);
  kt.SetResult("DoMemoryPopup", 20);
  EXPECT_EQ(QVMemPopup(), 10);
  zelk.Unload();
  EXPECT_EQ(QVMemPopup(), 20);
  kt.Unload();
  EXPECT_EQ(QVMemPopup(), -1);
}

TEST_F(RuntimeBridge, ExportsRemoveExactlyTheirOwnArguments) {
  struct Case {
    const char* name;
    std::vector<DWORD_PTR> arguments;
    LONG bytesRemoved;
  };
  static const char kText[] = "t";
  const DWORD_PTR text = reinterpret_cast<DWORD_PTR>(kText);
  const std::vector<Case> cases = {{"QVMemMark", {}, 0},
                                   {"QVMemSave", {text, text, 1}, 12},
                                   {"QVMemPopup", {}, 0},
                                   {"QVEnableErrorPopup", {1}, 4}};
  for (bool withCore : {false, true}) {
    std::optional<LoadedCore> zelk;
    if (withCore) zelk.emplace(LoadZelkcore());
    for (const Case& c : cases) {
      LONG removed = -99;
      const LONG result = CallAndMeasureStack(Export(c.name), c.arguments.data(),
                                              LONG(c.arguments.size()), &removed);
      EXPECT_EQ(removed, c.bytesRemoved) << c.name << (withCore ? " with core" : " without core");
      EXPECT_EQ(result, withCore ? 0 : -1) << c.name;
    }
  }
}

TEST_F(RuntimeBridge, ExportsAreCallableFromManyThreadsAtOnce) {
  LoadedCore zelk = LoadZelkcore();
  zelk.SetResult("SaveMemory", 77);
  constexpr int kThreads = 8;
  constexpr int kCallsEach = 200;
  std::vector<int> wrongResults(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &wrongResults] {
      for (int i = 0; i < kCallsEach; ++i) {
        if (QVMemSave("threaded", "call", t) != 77) ++wrongResults[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(zelk.CallCount(), kThreads * kCallsEach);
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrongResults[t], 0) << "thread " << t;
}

}  // namespace
