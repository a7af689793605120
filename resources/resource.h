#pragma once
// Resource numbers of Vantrel.dll. The numbers are a contract: the console,
// the registration and the views refer to them.
