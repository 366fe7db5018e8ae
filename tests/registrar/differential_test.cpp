// The same scripts on the in-memory registry and on the real one, each with
// its predefined roots moved below a private test key: the results and the
// trees left behind must be identical, or the in-memory model (and every
// native test built on it) cannot be trusted.
#include "registrar/script_parser.h"
#include "tests/registrar/redirected_roots.h"
#include "tests/registrar/registry_under_test.h"
#include "tests/registrar/test_scripts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qvapi {
namespace {

using testing::Backend;

struct Step {
  bool registering;
  std::string script;
};

struct Scenario {
  const char* name;
  std::vector<Step> steps;
};

std::string Nested(int levels) {
  std::string script = "HKCU {";
  for (int level = 1; level < levels; ++level) script += " K {";
  script += " Leaf";
  for (int level = 0; level < levels; ++level) script += " }";
  return script;
}

std::vector<Scenario> Scenarios() {
  const std::string server = testing::ServerScript();
  const std::string keywords =
      "HKCU { ForceRemove A = s 'a' { val V = d 42 val M = d -1 val E = s '' val Z = d 'abc' "
      "NoRemove B { C = s 'c' } } Delete D = s 'x' 'E' = d 7 {GUID} = s '{x}' { 'With Space' } }";
  return {
      {"ServerScript", {{true, server}, {true, server}, {false, server}, {false, server}}},
      {"Keywords", {{true, keywords}, {true, keywords}, {false, keywords}, {false, keywords}}},
      {"SkipMode",
       {{true, "HKCU { Beta Gamma { Sub } Delta }"},
        {false, "HKCU { Alpha Beta Gamma { Sub } Delta }"}}},
      {"NoRemoveForRestOfBlock",
       {{true, "HKCU { Alpha Beta { val V = s 'v' Sub { Leaf } } Gamma }"},
        {false, "HKCU { NoRemove Alpha Beta { val V = s 'v' Sub { Leaf } } Gamma }"}}},
      {"DefaultValueVersusNamedValue",
       {{true, "HKCU { Plain = s 'x' Named { val N = s 'n' Foreign } EmptyDefault }"},
        {false, "HKCU { Plain Named EmptyDefault }"},
        {false, "HKCU { Named { Foreign } }"}}},
      {"LeftoverSubkeyStays",
       {{true, "HKCU { Alpha { Alpha { Inner } Listed } }"}, {false, "HKCU { Alpha { Listed } }"}}},
      {"ProtectedKeys",
       {{true, "HKCU { CLSID { A } TypeLib { B } }"},
        {true, "HKCU { ForceRemove clsid { C } Delete TYPELIB }"}}},
      {"RootNames",
       {{true,
         "hkey_local_machine { A } hklm { B } HKCR { C } HKU { D } HKCC { E } "
         "HKEY_CURRENT_USER { F }"},
        {false,
         "HKLM { A B } HKEY_CLASSES_ROOT { C } HKEY_USERS { D } "
         "HKEY_CURRENT_CONFIG { E } HKCU { F }"}}},
      {"FailedRootBlockTakenBack",
       {{true, "HKCU { First } HKCU { Second { Inner = s 'i' } Third Bad\\Name }"}}},
      {"ScriptErrors",
       {{true, "HKCU { Kept }"},
        {true, " \r\n"},
        {true, "HKEY_LOCAL { X }"},
        {true, "HKCU X }"},
        {true, "HKCU { A { val X s 'y' } }"},
        {false, "HKCU { Kept { val X s 'y' } }"},
        {true, "HKCU { A = x 'y' }"},
        {false, "HKCU { Kept = x 'y' }"},
        {true, "HKCU { A = s 'unclosed }"},
        {true, "HKCU { A { B }"},
        {true, "HKCU { A = s '" + std::string(4095, 'q') + "' }"},
        {false, "HKCU { Kept\\Sub }"}}},
      {"EmptyKeyNames",
       {{true, "HKCU { Parent { Child } Kept { val N = s 'n' } }"},
        {true, "HKCU { Parent { ForceRemove '' Delete '' '' = s 'x' } }"},
        {false, "HKCU { NoRemove Kept { '' } }"}}},
      {"Nesting",
       {{true, Nested(32)}, {false, Nested(32)}, {true, Nested(33)}, {false, Nested(33)}}},
  };
}

struct Outcome {
  std::vector<HRESULT> results;
  std::vector<std::string> trees;
};

Outcome RunScenario(Backend backend, const Scenario& scenario) {
  auto under = testing::MakeRegistryUnderTest(backend, "Differential");
  testing::RedirectedRoots roots(under->registry(), under->root());
  ReplacementMap replacements;
  replacements.Define(u"Module", testing::kModulePath);
  Outcome outcome;
  for (const Step& step : scenario.steps) {
    ScriptParser parser(roots, replacements);
    outcome.results.push_back(parser.RunScript(step.script.c_str(), step.registering));
    outcome.trees.push_back(under->Dump());
  }
  return outcome;
}

TEST(DifferentialTest, InMemoryRegistryMatchesThePlatform) {
  for (const Scenario& scenario : Scenarios()) {
    SCOPED_TRACE(scenario.name);
    Outcome memory = RunScenario(Backend::kMemory, scenario);
    Outcome platform = RunScenario(Backend::kPlatform, scenario);
    for (std::size_t step = 0; step < scenario.steps.size(); ++step) {
      SCOPED_TRACE("step " + std::to_string(step + 1));
      EXPECT_EQ(platform.results[step], memory.results[step]);
      EXPECT_EQ(platform.trees[step], memory.trees[step]);
    }
  }
}

}  // namespace
}  // namespace qvapi
