begin
  try
    raise Exception.Create('boom');
  finally
    writeLn('cleanup');
  end;
end.
(* output
cleanup
*)
(* error
Exception: boom
*)
