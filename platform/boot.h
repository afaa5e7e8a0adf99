// The platform registers its classes when it is loaded; see boot.cc.
#pragma once
