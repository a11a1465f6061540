// Light: the picture (or the scene composed so far) brightened by a multiplier that the item pulses,
// blinks or flickers; a multiplier of 0 leaves it as it is.

float2 Scale = {1, 1};
float multiplier = 0;
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

float3 Lit(float2 uv) {
  return tex2D(BackgroundSampler, uv).rgb * (1 + multiplier);
}

float4 LightPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(Lit(uv), tex2D(MaskSampler, uv).a);
}

float4 LightFXPS(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  return float4(lerp(scene, Lit(uv), tex2D(MaskSampler, uv).a), 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 LightPS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 LightFXPS();
  }
}
