#include "platform/StartDialog.h"
#include <gtest/gtest.h>
TEST(X, Y) {}
