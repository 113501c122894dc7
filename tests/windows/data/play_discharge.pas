{ Plays the discharge pattern for three seconds: 50 ms at half scale on the left, 5 ms pause,
  1 ms at full negative scale on the right, 5 ms pause. }
begin
  with kelmo_params do
  begin
    dischargeTimemS := 50;
    afterDischargePauseMs := 5;
    chargeTimemS := 1;
    afterChargePauseMs := 5;
    dischargeURel := 0.5;
    chargeURel := -1.0;
  end;
  startAsymmetricDischarge;
  Sleep(3000);
  stopAsymmetricDischarge;
  Sleep(300);
end.
