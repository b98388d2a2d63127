(function (Module) {
