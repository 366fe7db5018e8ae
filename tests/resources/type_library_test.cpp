// The type library embedded in the built QVAPI.DLL, as the platform's loader
// reads it: what late-bound callers see and what ITypeInfo::Invoke calls
// through.

#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "QVAPI.h"
#include "automation/com_ptr.h"
#include "server_module_path.h"

namespace {

// Owns a BSTR handed out by the type library.
class Bstr {
 public:
  Bstr() = default;
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  bool empty() const { return text_ == nullptr; }
  std::wstring str() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : L""; }

 private:
  BSTR text_ = nullptr;
};

struct Documentation {
  std::wstring name;
  std::wstring help;
  DWORD helpContext = ~0u;
  bool hasHelpFile = true;
};

Documentation DocumentationOf(ITypeInfo* info, MEMBERID member) {
  Bstr name, help, file;
  Documentation doc;
  EXPECT_EQ(info->GetDocumentation(member, name.put(), help.put(), &doc.helpContext, file.put()),
            S_OK);
  doc.name = name.str();
  doc.help = help.str();
  doc.hasHelpFile = !file.empty();
  return doc;
}

TYPEATTR AttributesOf(ITypeInfo* info) {
  TYPEATTR* attributes = nullptr;
  EXPECT_EQ(info->GetTypeAttr(&attributes), S_OK);
  TYPEATTR copy = *attributes;
  info->ReleaseTypeAttr(attributes);
  return copy;
}

struct Parameter {
  std::wstring name;
  VARTYPE type;
  VARTYPE pointee;  // VT_EMPTY unless type is VT_PTR
  USHORT flags;
};

struct Member {
  MEMBERID id;
  std::wstring name;
  INVOKEKIND invokeKind;
  SHORT vtableOffset;
  std::vector<Parameter> parameters;
  std::wstring help;
};

struct FunctionShape {
  FUNCKIND kind;
  CALLCONV callingConvention;
  VARTYPE result;
  WORD flags;
  SHORT optionalCount;
};

// Reads function `index` of the virtual-table view into plain values.
Member MemberAt(ITypeInfo* info, UINT index, FunctionShape* shape) {
  FUNCDESC* function = nullptr;
  EXPECT_EQ(info->GetFuncDesc(index, &function), S_OK);
  Member member{function->memid, L"", function->invkind, function->oVft, {}, L""};
  *shape = {function->funckind, function->callconv, function->elemdescFunc.tdesc.vt,
            function->wFuncFlags, function->cParamsOpt};

  std::vector<BSTR> names(function->cParams + 1);
  UINT count = 0;
  EXPECT_EQ(info->GetNames(function->memid, names.data(), names.size(), &count), S_OK);
  for (UINT i = 0; i < count; ++i) {
    if (i == 0)
      member.name = names[i];
    else
      member.parameters.push_back({names[i], VT_EMPTY, VT_EMPTY, 0});
    SysFreeString(names[i]);
  }
  member.parameters.resize(function->cParams);
  for (SHORT i = 0; i < function->cParams; ++i) {
    const ELEMDESC& element = function->lprgelemdescParam[i];
    member.parameters[i].type = element.tdesc.vt;
    member.parameters[i].pointee =
        element.tdesc.vt == VT_PTR ? element.tdesc.lptdesc->vt : VARTYPE{VT_EMPTY};
    member.parameters[i].flags = element.paramdesc.wParamFlags;
  }
  info->ReleaseFuncDesc(function);
  member.help = DocumentationOf(info, member.id).help;
  return member;
}

constexpr USHORT kOutRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

const std::vector<Member> kDeclaredMembers = {
    {1, L"MemMark", INVOKE_FUNC, 28, {}, L"method MemMark"},
    {2,
     L"MemSave",
     INVOKE_FUNC,
     32,
     {{L"pszName", VT_LPSTR, VT_EMPTY, 0},
      {L"pszComment", VT_LPSTR, VT_EMPTY, 0},
      {L"bShowAll", VT_I4, VT_EMPTY, 0}},
     L"method MemSave"},
    {3, L"MemPopup", INVOKE_FUNC, 36, {}, L"method MemPopup"},
    {4,
     L"StartEventReporting",
     INVOKE_PROPERTYGET,
     40,
     {{L"lPrev", VT_PTR, VT_I4, kOutRetval}},
     L"method StartEventReporting"},
    {5,
     L"StopEventReporting",
     INVOKE_PROPERTYGET,
     44,
     {{L"lPrev", VT_PTR, VT_I4, kOutRetval}},
     L"method StopEventReporting"},
    {6,
     L"EventReportingState",
     INVOKE_PROPERTYGET,
     48,
     {{L"lCur", VT_PTR, VT_I4, kOutRetval}},
     L"method EventReportingState"},
    {7,
     L"EnableErrorPopup",
     INVOKE_PROPERTYGET,
     52,
     {{L"lPopup", VT_I4, VT_EMPTY, PARAMFLAG_FIN}, {L"bPrevPopup", VT_PTR, VT_I4, kOutRetval}},
     L"method EnableErrorPopup"},
};

void ExpectSameMember(const Member& actual, const Member& expected) {
  SCOPED_TRACE(std::string(expected.name.begin(), expected.name.end()));
  EXPECT_EQ(actual.id, expected.id);
  EXPECT_EQ(actual.name, expected.name);
  EXPECT_EQ(actual.invokeKind, expected.invokeKind);
  EXPECT_EQ(actual.vtableOffset, expected.vtableOffset);
  EXPECT_EQ(actual.help, expected.help);
  ASSERT_EQ(actual.parameters.size(), expected.parameters.size());
  for (size_t i = 0; i < expected.parameters.size(); ++i) {
    EXPECT_EQ(actual.parameters[i].name, expected.parameters[i].name) << i;
    EXPECT_EQ(actual.parameters[i].type, expected.parameters[i].type) << i;
    EXPECT_EQ(actual.parameters[i].pointee, expected.parameters[i].pointee) << i;
    EXPECT_EQ(actual.parameters[i].flags, expected.parameters[i].flags) << i;
  }
}

class TypeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(LoadTypeLib(ServerModulePath().c_str(), library_.put()), S_OK);
    ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IQV_Api, dispatchView_.put()), S_OK);
    HREFTYPE vtable = 0;
    ASSERT_EQ(dispatchView_->GetRefTypeOfImplType(-1, &vtable), S_OK);
    ASSERT_EQ(dispatchView_->GetRefTypeInfo(vtable, vtableView_.put()), S_OK);
  }

  // Asks the interface's dispatch view, as IDispatch::GetIDsOfNames does.
  HRESULT IdsOfNames(std::vector<const wchar_t*> names, std::vector<MEMBERID>* ids) {
    ids->assign(names.size(), 12345);
    return dispatchView_->GetIDsOfNames(const_cast<LPOLESTR*>(names.data()), names.size(),
                                        ids->data());
  }

  qvapi::ComPtr<ITypeLib> library_;
  qvapi::ComPtr<ITypeInfo> dispatchView_;
  qvapi::ComPtr<ITypeInfo> vtableView_;
};

TEST_F(TypeLibrary, LibraryAttributes) {
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  TLIBATTR copy = *attributes;
  library_->ReleaseTLibAttr(attributes);
  EXPECT_TRUE(IsEqualGUID(copy.guid, LIBID_QVAPILib));
  EXPECT_EQ(copy.lcid, 0u);
  EXPECT_EQ(copy.syskind, SYS_WIN32);
  EXPECT_EQ(copy.wMajorVerNum, 1);
  EXPECT_EQ(copy.wMinorVerNum, 0);
  // The loader itself adds LIBFLAG_FHASDISKIMAGE; the library declares none.
  EXPECT_EQ(copy.wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0);

  Bstr name, help, file;
  DWORD helpContext = ~0u;
  ASSERT_EQ(library_->GetDocumentation(-1, name.put(), help.put(), &helpContext, file.put()), S_OK);
  EXPECT_EQ(name.str(), L"QVAPILib");
  EXPECT_EQ(help.str(), L"QVAPI 1.0 Type Library");
  EXPECT_EQ(helpContext, 0u);
  EXPECT_TRUE(file.empty());
}

TEST_F(TypeLibrary, DeclaresTheClassThenTheInterface) {
  ASSERT_EQ(library_->GetTypeInfoCount(), 2u);
  TYPEKIND kind;
  ASSERT_EQ(library_->GetTypeInfoType(0, &kind), S_OK);
  EXPECT_EQ(kind, TKIND_COCLASS);
  ASSERT_EQ(library_->GetTypeInfoType(1, &kind), S_OK);
  EXPECT_EQ(kind, TKIND_DISPATCH);

  Bstr name;
  ASSERT_EQ(library_->GetDocumentation(0, name.put(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(name.str(), L"QV_Api");
  ASSERT_EQ(library_->GetDocumentation(1, name.put(), nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(name.str(), L"IQV_Api");
}

TEST_F(TypeLibrary, ClassIsCreatableWithTheInterfaceAsDefault) {
  qvapi::ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_QV_Api, coclass.put()), S_OK);
  TYPEATTR attributes = AttributesOf(coclass.get());
  EXPECT_EQ(attributes.typekind, TKIND_COCLASS);
  EXPECT_EQ(attributes.wTypeFlags, TYPEFLAG_FCANCREATE);
  EXPECT_EQ(attributes.wMajorVerNum, 0);
  EXPECT_EQ(attributes.wMinorVerNum, 0);
  EXPECT_EQ(attributes.cImplTypes, 1);
  EXPECT_EQ(DocumentationOf(coclass.get(), MEMBERID_NIL).help, L"QV_Api Class");

  INT flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE reference = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  qvapi::ComPtr<ITypeInfo> implemented;
  ASSERT_EQ(coclass->GetRefTypeInfo(reference, implemented.put()), S_OK);
  EXPECT_TRUE(IsEqualGUID(AttributesOf(implemented.get()).guid, IID_IQV_Api));
}

TEST_F(TypeLibrary, InterfaceIsDualOnIDispatch) {
  // The loader derives the dispatch view of a dual interface and gives it
  // flags of its own; the stored flags show on the virtual-table view.
  TYPEATTR dispatch = AttributesOf(dispatchView_.get());
  EXPECT_EQ(dispatch.typekind, TKIND_DISPATCH);
  EXPECT_EQ(dispatch.wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE),
            TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(dispatch.cVars, 0);
  EXPECT_EQ(DocumentationOf(dispatchView_.get(), MEMBERID_NIL).help, L"IQV_Api Interface");

  TYPEATTR vtable = AttributesOf(vtableView_.get());
  EXPECT_EQ(vtable.typekind, TKIND_INTERFACE);
  EXPECT_TRUE(IsEqualGUID(vtable.guid, IID_IQV_Api));
  EXPECT_EQ(vtable.wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(vtable.cbSizeVft, 14 * sizeof(void*));
  EXPECT_EQ(vtable.cFuncs, 7);
  EXPECT_EQ(vtable.cVars, 0);
  EXPECT_EQ(vtable.cImplTypes, 1);

  HREFTYPE base = 0;
  ASSERT_EQ(vtableView_->GetRefTypeOfImplType(0, &base), S_OK);
  qvapi::ComPtr<ITypeInfo> baseInfo;
  ASSERT_EQ(vtableView_->GetRefTypeInfo(base, baseInfo.put()), S_OK);
  EXPECT_TRUE(IsEqualGUID(AttributesOf(baseInfo.get()).guid, IID_IDispatch));
}

TEST_F(TypeLibrary, MembersInSlotOrderAsDeclared) {
  ASSERT_EQ(AttributesOf(vtableView_.get()).cFuncs, kDeclaredMembers.size());
  for (UINT i = 0; i < kDeclaredMembers.size(); ++i) {
    FunctionShape shape{};
    ExpectSameMember(MemberAt(vtableView_.get(), i, &shape), kDeclaredMembers[i]);
    EXPECT_EQ(shape.kind, FUNC_PUREVIRTUAL) << i;
    EXPECT_EQ(shape.callingConvention, CC_STDCALL) << i;
    EXPECT_EQ(shape.result, VT_HRESULT) << i;
    EXPECT_EQ(shape.flags, 0) << i;
    EXPECT_EQ(shape.optionalCount, 0) << i;
  }
}

TEST_F(TypeLibrary, DispatchViewHasNoDefaultOrNegativeDispid) {
  // The dispatch view lists the inherited IUnknown and IDispatch functions
  // too, under the loader's own positive member IDs.
  constexpr MEMBERID kFirstInheritedId = 0x60000000;
  TYPEATTR attributes = AttributesOf(dispatchView_.get());
  std::vector<MEMBERID> declared;
  for (UINT i = 0; i < attributes.cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(dispatchView_->GetFuncDesc(i, &function), S_OK);
    MEMBERID id = function->memid;
    dispatchView_->ReleaseFuncDesc(function);
    EXPECT_GT(id, 0) << i;
    if (id < kFirstInheritedId) declared.push_back(id);
  }
  EXPECT_EQ(declared, (std::vector<MEMBERID>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(TypeLibrary, NamesMapToDispidsAndParameterPositions) {
  std::vector<MEMBERID> ids;
  EXPECT_EQ(IdsOfNames({L"MemSave"}, &ids), S_OK);
  EXPECT_EQ(ids, (std::vector<MEMBERID>{2}));
  EXPECT_EQ(IdsOfNames({L"EnableErrorPopup"}, &ids), S_OK);
  EXPECT_EQ(ids, (std::vector<MEMBERID>{7}));
  EXPECT_EQ(IdsOfNames({L"MemSave", L"pszName", L"pszComment", L"bShowAll"}, &ids), S_OK);
  EXPECT_EQ(ids, (std::vector<MEMBERID>{2, 0, 1, 2}));
  EXPECT_EQ(IdsOfNames({L"EnableErrorPopup", L"lPopup"}, &ids), S_OK);
  EXPECT_EQ(ids, (std::vector<MEMBERID>{7, 0}));
}

TEST_F(TypeLibrary, UnknownNamesAreRejected) {
  std::vector<MEMBERID> ids;
  EXPECT_EQ(IdsOfNames({L"MemClear"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_UNKNOWN);
  // A parameter name is not a member of its own.
  EXPECT_EQ(IdsOfNames({L"pszName"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(IdsOfNames({L"MemSave", L"lPopup"}, &ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids, (std::vector<MEMBERID>{2, DISPID_UNKNOWN}));
}

}  // namespace
