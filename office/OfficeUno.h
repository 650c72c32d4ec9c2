#pragma once
// Internal to the office folder: the UNO side of the suite connection.

#include <string>

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

namespace office::detail {

namespace css = com::sun::star;

struct SuiteHandle {
  css::uno::Reference<css::uno::XComponentContext> context;  // remote
  css::uno::Reference<css::frame::XDesktop2> desktop;
};

// The running suite, started or reconnected when needed.  Empty references
// (and a reason in *why) when it cannot be started.
SuiteHandle AcquireSuite(std::string* why = nullptr);

// Called after a call into the suite failed in a way that may mean the
// suite is gone: when it no longer answers, the connection is dropped and the
// process ended, so that the next AcquireSuite starts a new one.  True when
// the suite still answers.
bool CheckSuiteAfterFailure();

}  // namespace office::detail
