// The library's one application object, made when the library is loaded
// and destroyed when it is unloaded.
#include "agent/ups_agent_app.h"

namespace {

CUpsAgentApp theApp;

}  // namespace

CUpsAgentApp& TheAgentApp() { return theApp; }
