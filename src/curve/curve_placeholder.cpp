// Replaced by the curve model.
