#include "support/GuiTest.h"

GuiTest::GuiTest() = default;

GuiTest::~GuiTest() = default;
