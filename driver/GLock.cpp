#include "driver/GLock.h"

GLock::~GLock() = default;

void GLock::Reserved(void*) {}
