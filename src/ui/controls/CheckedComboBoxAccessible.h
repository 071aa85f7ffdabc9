#pragma once

// Makes screen readers meet every CheckedComboBox as a combo box whose value is the text its
// closed field shows, and which opens its list by the combo box's own action. Idempotent.
void installCheckedComboBoxAccessible();
