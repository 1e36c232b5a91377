// The DOM event sink as MSHTML sees it: a COM IDispatch whose Invoke runs the native handler.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Errors.h"
#include "bridge/win32/DHTMLEvent.h"

namespace zel::win32 {
namespace {

class SinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetExceptionReporter([this](const std::string& message) { reported.push_back(message); });
  }
  void TearDown() override { SetExceptionReporter(nullptr); }

  std::vector<std::string> reported;
};

TEST_F(SinkTest, QueryInterfaceAnswersIUnknownAndIDispatchWithOnePointer) {
  TDHTMLEvent sink;
  IDispatch* const expected = sink.Dispatch();
  for (const IID* iid : {&IID_IUnknown, &IID_IDispatch}) {
    void* out = nullptr;
    const LONG before = sink.RefCount;
    EXPECT_EQ(S_OK, sink.QueryInterface(*iid, &out));
    EXPECT_EQ(static_cast<void*>(expected), out);
    EXPECT_EQ(before + 1, sink.RefCount);
  }
  for (const IID* iid : {&IID_IOleObject, &IID_IStream, &IID_IClassFactory, &IID_NULL}) {
    void* out = reinterpret_cast<void*>(1);
    const LONG before = sink.RefCount;
    EXPECT_EQ(E_NOINTERFACE, sink.QueryInterface(*iid, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, sink.RefCount);
  }
}

TEST_F(SinkTest, CountsReferencesBelowZeroWithoutFreeing) {
  TDHTMLEvent sink;
  EXPECT_EQ(0, sink.RefCount);
  IDispatch* com = sink.Dispatch();
  EXPECT_EQ(1u, com->AddRef());
  EXPECT_EQ(2u, com->AddRef());
  EXPECT_EQ(1u, com->Release());
  EXPECT_EQ(0u, com->Release());
  EXPECT_EQ(static_cast<ULONG>(-1), com->Release());
  EXPECT_EQ(static_cast<ULONG>(-2), com->Release());
  EXPECT_EQ(-2, sink.RefCount);

  // Still a working object: a page unload that dropped every reference leaves it usable.
  int runs = 0;
  sink.HookEventHandler([&] { ++runs; });
  EXPECT_EQ(E_NOTIMPL, com->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                   nullptr, nullptr));
  EXPECT_EQ(1, runs);
  EXPECT_EQ(static_cast<ULONG>(-1), com->AddRef());
}

TEST_F(SinkTest, HasNoTypeInformationOrNames) {
  TDHTMLEvent sink;
  UINT count = 7;
  EXPECT_EQ(S_OK, sink.GetTypeInfoCount(&count));
  EXPECT_EQ(0u, count);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(E_NOTIMPL, sink.GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
  EXPECT_EQ(nullptr, info);
  wchar_t name[] = L"onclick";
  LPOLESTR names[] = {name};
  DISPID id = 42;
  EXPECT_EQ(E_NOTIMPL, sink.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  EXPECT_EQ(42, id);
  EXPECT_EQ(0, sink.RefCount);
}

struct InvokeCase {
  DISPID id;
  WORD flags;
};

TEST_F(SinkTest, InvokeRunsTheHandlerOnceForAnyCallAndWritesNothing) {
  const InvokeCase cases[] = {
      {DISPID_VALUE, DISPATCH_METHOD},
      {DISPID_VALUE, DISPATCH_PROPERTYGET},
      {1, DISPATCH_PROPERTYPUT},
      {-600, DISPATCH_METHOD | DISPATCH_PROPERTYGET},
      {12345, DISPATCH_PROPERTYPUTREF},
      {DISPID_UNKNOWN, 0},
  };
  for (const InvokeCase& c : cases) {
    SCOPED_TRACE(c.id);
    TDHTMLEvent sink;
    int runs = 0;
    sink.HookEventHandler([&] { ++runs; });
    VARIANT arg;
    ::VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 5;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    VARIANT result;
    ::VariantInit(&result);
    result.vt = VT_I2;
    result.iVal = 77;
    EXCEPINFO exception{};
    exception.scode = 0x1234;
    UINT argError = 99;
    EXPECT_EQ(E_NOTIMPL, sink.Invoke(c.id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &params,
                                     &result, &exception, &argError));
    EXPECT_EQ(1, runs);
    EXPECT_EQ(VT_I2, result.vt);
    EXPECT_EQ(77, result.iVal);
    EXPECT_EQ(0x1234, exception.scode);
    EXPECT_EQ(99u, argError);
    EXPECT_EQ(VT_I4, arg.vt);
    EXPECT_EQ(0, sink.RefCount);
  }
}

TEST_F(SinkTest, InvokeWithoutHandlerAnswersNotImplemented) {
  TDHTMLEvent sink;
  EXPECT_EQ(E_NOTIMPL, sink.Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                   nullptr, nullptr, nullptr, nullptr));
  EXPECT_TRUE(reported.empty());
}

TEST_F(SinkTest, HandlerFailureIsReportedAndNeverReachesTheCaller) {
  TDHTMLEvent sink;
  int runs = 0;
  sink.HookEventHandler([&] {
    ++runs;
    throw std::runtime_error("page command failed");
  });
  EXPECT_EQ(E_NOTIMPL, sink.Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                                   nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(1, runs);
  ASSERT_EQ(1u, reported.size());
  EXPECT_EQ("page command failed", reported[0]);

  // A second event after the failure runs again.
  sink.Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(2, runs);
  EXPECT_EQ(2u, reported.size());
}

TEST_F(SinkTest, HookReplacesTheHandlerAndHandsOutAReference) {
  TDHTMLEvent sink;
  std::string ran;
  sink.HookEventHandler([&] { ran += "a"; });
  IDispatch* com = sink.HookEventHandlerDispatch([&] { ran += "b"; });
  EXPECT_EQ(sink.Dispatch(), com);
  EXPECT_EQ(1, sink.RefCount);
  com->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ("b", ran);
  com->Release();
  EXPECT_EQ(0, sink.RefCount);
}

// A handler may bind its page again while it runs (the browser's events arrive inside its nested
// message loop), replacing the sink's handler: the running one must stay intact.
TEST_F(SinkTest, HandlerThatRebindsItsOwnSinkKeepsRunningIntact) {
  struct Alive {
    bool alive = true;
    ~Alive() { alive = false; }
  };
  TDHTMLEvent sink;
  bool aliveAfterRebind = false;
  std::string captured(64, 'x');  // too large to live inside the handler object itself
  int secondRuns = 0;
  sink.HookEventHandler([&sink, &aliveAfterRebind, &secondRuns, captured, guard = Alive()] {
    sink.HookEventHandler([&secondRuns] { ++secondRuns; });
    aliveAfterRebind = guard.alive && captured == std::string(64, 'x');
  });
  EXPECT_EQ(E_NOTIMPL, sink.Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr,
                                   nullptr, nullptr));
  EXPECT_TRUE(aliveAfterRebind);
  EXPECT_EQ(0, secondRuns);
  sink.Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(1, secondRuns);
}

TEST_F(SinkTest, FactoryHandsOutDistinctComSinksThatOutliveIt) {
  std::vector<IEventSink*> sinks;
  {
    Win32SinkFactory factory;
    for (int i = 0; i < 40; ++i) sinks.push_back(&factory.CreateSink());
  }
  std::set<IEventSink*> distinct(sinks.begin(), sinks.end());
  EXPECT_EQ(sinks.size(), distinct.size());
  int runs = 0;
  for (IEventSink* sink : sinks) {
    auto* com = dynamic_cast<TDHTMLEvent*>(sink);
    ASSERT_NE(nullptr, com);
    EXPECT_EQ(0, com->RefCount);
    sink->HookEventHandler([&] { ++runs; });
    com->Dispatch()->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                            nullptr);
  }
  EXPECT_EQ(40, runs);
}

}  // namespace
}  // namespace zel::win32
