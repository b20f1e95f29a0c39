// The framework's dispatch, reflection, modal dialogs and data exchange, on real windows.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/Dialog.h"
#include "res/resource.h"

TEST(Environment, AnsiCodePageIsShiftJis) { EXPECT_EQ(::GetACP(), 932u); }
