})(window.Module);
